// SPDX-License-Identifier: GPL-3.0-or-later
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace zarnik;
using namespace zarnik::testing;

// The bundled example is what our generator makes, so the two cannot drift apart.
TEST(Sample, BundledFileMatchesTheGenerator)
{
    EXPECT_EQ(ReadFileBytes(ZARNIK_SAMPLE_FILE), SampleGxtBytes());
    GxtDocument doc = LoadGxtFile(ZARNIK_SAMPLE_FILE);
    EXPECT_EQ(doc.languageLetter(), 'R');
    EXPECT_GT(doc.Count(), 10u);
}
