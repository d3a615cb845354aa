// pv-make-workbooks: writes our sample workbooks, test fixtures and benchmark workloads with
// libxlsxwriter, so no binary workbook is kept in the repository.
#include "BenchWorkbooks.h"
#include "FixtureWorkbooks.h"
#include "SampleWorkbooks.h"

#include <cstring>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: pv-make-workbooks samples|fixtures|bench DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[2];
    try {
        if (std::strcmp(argv[1], "samples") == 0) {
            pv::tools::writeSampleWorkbooks(dir);
        } else if (std::strcmp(argv[1], "fixtures") == 0) {
            pv::tools::writeFixtureWorkbooks(dir);
        } else if (std::strcmp(argv[1], "bench") == 0) {
            pv::tools::writeBenchWorkbooks(dir);
        } else {
            std::cerr << "pv-make-workbooks: unknown mode " << argv[1] << "\n";
            return 2;
        }
    } catch (const std::exception& e) {
        std::cerr << "pv-make-workbooks: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
