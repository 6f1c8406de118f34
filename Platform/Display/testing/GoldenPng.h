#pragma once
// Golden PNG pictures of windows: a snapshot compared with the picture kept
// in the source tree, every channel of every pixel within a small tolerance
// (rounding). KESTRELON_UPDATE_GOLDEN=1 writes the pictures anew from the
// snapshots instead of comparing; new pictures are checked by eye before
// they are kept.

#include <gtest/gtest.h>

#include <string>

namespace display_test {

// Channels may differ this much; no pixel may differ more.
constexpr int kGoldenChannelTolerance = 2;

// Compares the PNG file `shot` with `folder`/`name`.png. On a difference
// the snapshot is kept in the temporary folder for a look, and the failure
// names it.
::testing::AssertionResult MatchesGoldenPng(const std::string& shot, const std::string& folder,
                                            const std::string& name);

} // namespace display_test
