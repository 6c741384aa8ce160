// Text built while the program's global locale groups thousands by threes,
// for checking that output meant for files and reports stays plain.
#ifndef KORIN_TESTS_GROUPING_LOCALE_H
#define KORIN_TESTS_GROUPING_LOCALE_H

#include <locale>
#include <string>

struct GroupsOfThree : std::numpunct<char> {
    std::string do_grouping() const override { return "\3"; }
};

template <typename Build>
std::string BuiltUnderGroupingLocale(Build build)
{
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new GroupsOfThree));
    const std::string text = build();
    std::locale::global(before);
    return text;
}

#endif
