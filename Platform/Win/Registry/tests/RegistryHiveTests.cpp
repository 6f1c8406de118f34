#include "Platform/Win/Registry/Private/RegistryHive.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

using win::detail::FormatHive;
using win::detail::ParseHive;
using win::detail::RegistryKey;

// Hive texts the reader accepts, each with something the writer must take
// care to write back readably.
const std::string kAcceptedHives[] = {
    "Kestrelon Registry 1\n[a%5c]\n",
    "Kestrelon Registry 1\n[a%5c%5cb\\c]\n\"v\"=dword:00000001\n",
    "Kestrelon Registry 1\n[%5c]\n[x\\%5c%5c]\n",
    "Kestrelon Registry 1\n[%00]\n[a%00b]\n",
    "Kestrelon Registry 1\n[%25%2541]\n",
    "Kestrelon Registry 1\n[ a ]\n[b%09]\n",
    "Kestrelon Registry 1\n[A]\n[a]\n[a\\B]\n[A\\b\\c]\n",
    "Kestrelon Registry 1\n[]\n@=sz:\"root\"\n",
    "Kestrelon Registry 1\n[k]\n\"a\"=hex(1):41,00\n\"b\"=hex(4):01,02,03,04\n\"c\"=hex(7):00\n"
    "\"d\"=multi_sz:\"x\\x00y\"\n\"e\"=hex(0):\n\"f\"=hex:\n",
    "Kestrelon Registry 1\n[k]\n\"v\"=sz:\"\\x80\\xff\\xc3\"\n\"w\"=sz:\"a\tb\x7f\"\n",
    "Kestrelon Registry 1\n[\xc3\xa9\xff\x7f]\n\"\\x00\"=dword:ffffffff\n",
    "Kestrelon Registry 1\r\n; a comment\r\n[k]  \r\n  \"a\"=qword:1   \r\n\"A\"=dword:2\n",
    "Kestrelon Registry 1\n[k]\n\"v\"=multi_sz:\n\"w\"=multi_sz:\"\"\n\"x\"=multi_sz:\"\",\"\"\n",
};

TEST(RegistryHiveText, WhatTheReaderAcceptsIsWrittenSoThatItReadsBackTheSame)
{
    for (const std::string& text : kAcceptedHives) {
        SCOPED_TRACE(text);
        RegistryKey first;
        std::string error;
        ASSERT_TRUE(ParseHive(text, first, error)) << error;
        const std::string written = FormatHive(first);
        RegistryKey second;
        ASSERT_TRUE(ParseHive(written, second, error)) << error << "\nin\n" << written;
        EXPECT_TRUE(first == second) << written;
        EXPECT_EQ(FormatHive(second), written);
    }
}

TEST(RegistryHiveText, ABackslashInsideAKeyNameIsWrittenEscaped)
{
    RegistryKey root;
    root.CreateSubKey("a\\").CreateSubKey("%");
    EXPECT_EQ(FormatHive(root), "Kestrelon Registry 1\n\n[a%5c]\n\n[a%5c\\%25]\n");
}

} // namespace
