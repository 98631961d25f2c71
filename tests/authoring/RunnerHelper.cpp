// Writes exactly what a runner test asks for, with plain write() calls so
// that nothing is buffered or reordered on the way to the pipe.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <limits.h>
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
    if (mode == "pad" && argc == 3) { // N bytes, then a four-byte letter, in one write
        put(1, std::string(static_cast<size_t>(std::atoi(argv[2])), 'a') + "\xF0\x9F\x98\x80" + "b");
        return 0;
    }
    if (mode == "slow-letter") { // a letter split between two writes far apart
        put(1, "a\xC3");
        ::usleep(200 * 1000);
        put(1,
            "\xA9"
            "b");
        return 0;
    }
    if (mode == "letters" && argc == 3) { // letters of one to four bytes, in odd-sized writes
        std::string text;
        for (int i = 0; i < std::atoi(argv[2]); ++i)
            text += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
        for (size_t at = 0; at < text.size(); at += 997) {
            put(1, text.substr(at, 997));
            if (at % 7 == 0)
                ::usleep(1000);
        }
        return 0;
    }
    if (mode == "pwd") {
        char folder[PATH_MAX];
        if (!::getcwd(folder, sizeof folder))
            return 3;
        put(1, folder);
        return 0;
    }
    if (mode == "signal" && argc == 3) { // ended by a signal of its own
        ::kill(::getpid(), std::atoi(argv[2]));
        for (;;)
            ::pause();
    }
    if (mode == "hang") { // never ends by itself
        for (;;)
            ::pause();
    }
    if (mode == "stubborn") { // never ends, and shrugs off SIGTERM
        std::signal(SIGTERM, SIG_IGN);
        put(1, "ready\n");
        for (;;)
            ::pause();
    }
    return 2;
}
