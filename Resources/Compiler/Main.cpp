// kestrelon_rescomp: compiles the resource source files of one module into a
// loadable module file.
//
//   kestrelon_rescomp -o <module.kres> <source.krc>...
//
// Errors are printed as "file:line: error: message"; the exit status is 1
// and no module file is written.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Resources/Compiler/ModuleWriter.h"
#include "Resources/Compiler/Parser.h"

int main(int argc, char** argv)
{
    std::string output;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            output = argv[++i];
        else
            sources.emplace_back(argv[i]);
    }
    if (output.empty() || sources.empty()) {
        std::fprintf(stderr, "usage: %s -o <module.kres> <source.krc>...\n", argv[0]);
        return 2;
    }
    rescomp::ResourceSet resources;
    rescomp::Parser parser(resources);
    try {
        for (const std::string& source : sources)
            parser.ParseFile(source);
        parser.Finish();
    } catch (const rescomp::CompileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::string error;
    if (!rescomp::WriteModule(resources, output, error)) {
        std::fprintf(stderr, "%s: error: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
