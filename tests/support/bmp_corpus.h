// One corpus of BMP files, every shape a reader may meet, each with the
// verdict real GDI gives it when the editor loads it.
#ifndef KORIN_TESTS_BMP_CORPUS_H
#define KORIN_TESTS_BMP_CORPUS_H

#include <string>
#include <vector>

struct CorpusFile {
    std::string name;
    std::string bytes;
    bool loads;
};

std::vector<CorpusFile> BmpCorpus();

#endif
