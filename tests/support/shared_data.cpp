#include "tests/support/shared_data.h"

#include <fstream>

std::string SharedTestData()
{
    std::string folder = KORIN_SHARED_TESTDATA;
    std::ifstream probe(folder + "/pal/EXPECTED.tsv");
    return probe.is_open() ? folder : std::string();
}
