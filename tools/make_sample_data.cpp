// make-sample-data OUTDIR [HELPFILE]: writes the sample data folder the build
// puts beside the executables.
#include "sample_data.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: make-sample-data OUTDIR [HELPFILE]\n";
        return 1;
    }
    tarvel::sample::Options options;
    if (argc == 3) {
        options.helpFile = argv[2];
        if (!std::ifstream(options.helpFile, std::ios::binary))
            std::cerr << "make-sample-data: cannot read " << options.helpFile
                      << "; writing a short tarvel.hlp instead\n";
    }
    const std::string error = tarvel::sample::WriteSampleFolder(argv[1], options);
    if (!error.empty()) {
        std::cerr << "make-sample-data: " << error << "\n";
        return 1;
    }
    return 0;
}
