// Writes one of the short test songs (tests/test_songs.h) for the page's
// tests, which serve it in place of the real song.
//   write_test_song OUT ORDERS SPEED TEMPO ROWS
#include "tests/test_songs.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s OUT ORDERS SPEED TEMPO ROWS\n", argv[0]);
        return 2;
    }
    const std::vector<uint8_t> bytes = encodeIt(makeTestSong(
        std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5])));
    if (bytes.empty()) {
        std::fprintf(stderr, "write_test_song: the writer refuses such a song\n");
        return 1;
    }
    FILE* out = std::fopen(argv[1], "wb");
    const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out)
        std::fclose(out);
    if (!written)
        std::fprintf(stderr, "write_test_song: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
