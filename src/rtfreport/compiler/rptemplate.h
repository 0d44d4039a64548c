#pragma once
// Control words the compile pass finds its way by in a template.

namespace rtfreport {

// The group kinds whose contents are copied without looking for fields.
inline constexpr const char *SkippedGroupWords[] = {"\\field",  "\\*\\fldinst", "\\pict",
                                                    "\\object", "\\shprslt",    "\\*\\shppict"};

// Where a line of the template ends, besides its paragraph mark "\par".
inline constexpr const char *LineEndWords[] = {"\\trowd", "\\row", "\\cell", "\\page", "\\sect", "\\line"};

} // namespace rtfreport
