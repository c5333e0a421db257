// mksamples DIR: writes the sample disks sample.dsk (JV1), sample.dmk and
// sample.jv3 into the folder DIR.
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: mksamples DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    try {
        ss::testimg::WriteFile(dir + "/sample.dsk", ss::testimg::SampleJv1());
        ss::testimg::WriteFile(dir + "/sample.dmk", ss::testimg::SampleDmk());
        ss::testimg::WriteFile(dir + "/sample.jv3", ss::testimg::SampleJv3());
    } catch (const std::exception& e) {
        std::cerr << "mksamples: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
