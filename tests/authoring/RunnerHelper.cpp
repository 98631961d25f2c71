// Writes exactly what a runner test asks for, with plain write() calls so
// that nothing is buffered or reordered on the way to the pipe.
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {
void put(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            std::exit(3);
        done += static_cast<size_t>(n);
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "bytes" && argc == 3) { // one write of N bytes
        put(1, std::string(static_cast<size_t>(std::atoi(argv[2])), 'x'));
        return 0;
    }
    if (mode == "interleave") { // alternating streams, each line on its own
        for (int i = 1; i <= 3; ++i) {
            put(1, "out" + std::to_string(i) + "\n");
            put(2, "err" + std::to_string(i) + "\n");
        }
        return 0;
    }
    if (mode == "exit" && argc == 3) // nothing written
        return std::atoi(argv[2]);
    if (mode == "args") { // each argument between brackets, one a line
        for (int i = 2; i < argc; ++i)
            put(1, std::string("[") + argv[i] + "]\n");
        return 0;
    }
    if (mode == "split-letter") { // a two-byte letter across the first read's end
        put(1, std::string(1022, 'a') + "\xC3\xA9" + "b");
        return 0;
    }
    if (mode == "hang") { // never ends by itself
        for (;;)
            ::pause();
    }
    return 2;
}
