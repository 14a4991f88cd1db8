// parallo: a map frame described in JSON in, GeoJSON and SVG out.
#include <iostream>

#include "app.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return parallo::cli::RunCommand(argc, argv, std::cin, std::cout, std::cerr);
}
