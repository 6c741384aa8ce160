// Files that no one on the team wrote, kept outside the repository. Tests that
// read them skip, saying so, where the folder is absent.
#ifndef KORIN_TESTS_SHARED_DATA_H
#define KORIN_TESTS_SHARED_DATA_H

#include <string>

// The shared test-data folder, or "" when it is not there.
std::string SharedTestData();

#define SKIP_WITHOUT_SHARED_DATA(folder)                                                  \
    std::string folder = SharedTestData();                                                \
    if (folder.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: shared test data not found at " \
                                     << KORIN_SHARED_TESTDATA

#endif
