// Debian's Python 3 as an independent second opinion: scripts the tests hand
// it, with Pillow where they need it. None under Windows.
#ifndef KORIN_TESTS_SUPPORT_PYTHON_SCRIPT_H
#define KORIN_TESTS_SUPPORT_PYTHON_SCRIPT_H

#include <string>
#include <vector>

class TempFolder;

// A Python 3 (/usr/bin/python3 first) that imports module ("" for none), or
// "" when there is none.
std::string PythonWith(const std::string& module);

// Runs script with args in folder; true with its standard output when it
// exited with status 0.
bool RunPythonScript(const std::string& python, const TempFolder& folder, const std::string& script,
                     const std::vector<std::string>& args, std::string* output);

#endif
