#include "tests/support/python_script.h"

#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace {

std::string Quoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string PythonWith(const std::string& module)
{
#ifdef _WIN32
    (void)module;
    return "";
#else
    const std::string probe = module.empty() ? "pass" : "import " + module;
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const std::string command = std::string(python) + " -c " + Quoted(probe) + " >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) return python;
    }
    return "";
#endif
}

bool RunPythonScript(const std::string& python, const TempFolder& folder, const std::string& script,
                     const std::vector<std::string>& args, std::string* output)
{
    const std::string scriptPath = folder.File("script.py");
    const std::string outputPath = folder.File("script-output.txt");
    if (!WriteWholeFile(scriptPath, script)) return false;
    std::string command = python + " " + Quoted(scriptPath);
    for (const std::string& arg : args) command += " " + Quoted(arg);
    command += " > " + Quoted(outputPath);
    const bool ran = std::system(command.c_str()) == 0;
    *output = ReadWholeFile(outputPath);
    return ran;
}
