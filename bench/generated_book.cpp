// Writes a generated book file, the same contacts the benchmarks use, so that the command
// line's verbs can be timed and their peak memory measured on a book of a known size:
//
//     generated_book COUNT OUTFILE
#include "book_generator.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: generated_book COUNT OUTFILE\n");
        return 2;
    }
    constexpr std::uint32_t kSeed = 20240601; // the seed every benchmark uses
    const std::string bytes = qor::generateBookBytes(std::strtoul(argv[1], nullptr, 10), kSeed);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "generated_book: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
