// tarvel-batch-docs TEMPLATE OUTPUT: the build's tool that writes the bash
// completion and the manual page of tarvel-batch from their templates,
// with the lists of commands, options, formats and tables filled in.
#include "cli/batch_docs.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: tarvel-batch-docs TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        std::cerr << "tarvel-batch-docs: cannot read " << argv[1] << '\n';
        return 1;
    }
    std::string error;
    const auto filled = tarvel::batch::FillDocTemplate(text, error);
    if (!filled) {
        std::cerr << argv[1] << ": " << error << '\n';
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << *filled;
    out.close();
    if (!out) {
        std::cerr << "tarvel-batch-docs: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
