#pragma once
// Pictures in any format Qt's image readers know (JPEG, PNG, GIF, ...) for
// the report engine, which itself reads only uncompressed Windows bitmaps.
// Install it as TRpRTF::PictureDecoder.

#include "rpmetafile.h"

namespace rtfreport {

std::optional<TRpPixels> DecodeWithQImage(const QByteArray &bytes);

} // namespace rtfreport
