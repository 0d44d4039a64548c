#pragma once
// Names for the cases of parameterised tests, so that the list of tests says
// what each case tries instead of a number.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// A test name after a case's text, "1_7_mod_minus_3" for "7%-3" as case 1:
// the list of tests then says which expression each case tries. The index
// keeps names apart where texts read alike.
template <typename Char>
std::string CaseName(std::size_t index, std::basic_string_view<Char> text)
{
    static const struct { char symbol; const char *word; } kWords[] = {
        {'+', "plus"}, {'-', "minus"}, {'*', "times"}, {'/', "div"}, {'%', "mod"}, {'<', "lt"},
        {'>', "gt"}, {'=', "eq"}, {'\'', "q"}, {'"', "q"}, {'.', "dot"}, {',', "comma"}, {'#', "hash"},
        {'\\', "bs"}, {'{', "open"}, {'}', "close"}};
    std::string name = std::to_string(index);
    const auto word = [&name](const std::string &part) {
        if (name.back() != '_')
            name += '_';
        name += part;
    };
    bool inWord = false;
    for (const Char c : text) {
        if (name.size() > 48)
            break;
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            if (!inWord && name.back() != '_')
                name += '_';
            name += static_cast<char>(c);
            inWord = true;
            continue;
        }
        inWord = false;
        for (const auto &w : kWords)
            if (w.symbol == c)
                word(w.word);
    }
    if (name.find('_') == std::string::npos)
        name += text.empty() ? "_empty" : "_symbols";
    return name;
}

// The name generator of a table of cases: each case named after the text in `Member`.
template <auto Member>
struct NamedAfter {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case> &info) const
    {
        return CaseName(info.index, std::basic_string_view(info.param.*Member));
    }
};
