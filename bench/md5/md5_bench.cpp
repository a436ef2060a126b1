// Digests one large file with our MD5 and with md5sum in the same run, checks that both
// agree and prints how long ours takes as a multiple of md5sum's time (target: 1.1 at
// most). Each is timed over a few alternating rounds and the fastest round counts, so
// that a busy moment of the machine does not decide the figure.
//
//   bench_md5 [size in MiB, default 1024] [folder for the file, default the build folder]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tools/md5.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;
constexpr size_t kReadSize = 4 * kMiB;  // large reads, as the upload engine does
constexpr int kRounds = 3;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fills the file with bytes of a small generator: incompressible, cheap to make.
bool CreateFile(const std::string& path, size_t mebibytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> chunk(kMiB / sizeof(uint64_t));
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < mebibytes && out; ++i) {
        for (auto& word : chunk) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        out.write(reinterpret_cast<const char*>(chunk.data()), kMiB);
    }
    return static_cast<bool>(out.flush());
}

struct Run {
    std::string digest;
    double seconds = 0;
};

Run DigestOurs(const std::string& path) {
    const Clock::time_point start = Clock::now();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file)
        return {};
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // read straight into our buffer
    std::vector<unsigned char> buffer(kReadSize);
    tools::MD5_CTX context;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0)
        context.Update(buffer.data(), got);
    unsigned char digest[16];
    context.Final(digest);
    Run run;
    run.seconds = SecondsSince(start);
    static constexpr char kDigits[] = "0123456789abcdef";
    for (unsigned char byte : digest) {
        run.digest += kDigits[byte >> 4];
        run.digest += kDigits[byte & 15];
    }
    return run;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Run DigestMd5sum(const std::string& path) {
    const std::string output = path + ".md5sum";
    const std::string command = "md5sum " + Quoted(path) + " > " + Quoted(output);
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    Run run;
    run.seconds = SecondsSince(start);
    std::ifstream in(output);
    if (status == 0)
        in >> run.digest;
    std::filesystem::remove(output);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::string folder = argc > 2 ? argv[2] : NORVEL_BENCH_DIR;
    if (mebibytes == 0) {
        std::fprintf(stderr, "usage: %s [size in MiB] [folder]\n", argv[0]);
        return 2;
    }
    const std::string path = folder + "/md5_bench.data";
    std::printf("creating %zu MiB in %s\n", mebibytes, path.c_str());
    if (!CreateFile(path, mebibytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::filesystem::remove(path);
        return 1;
    }

    double ours = 1e300, theirs = 1e300;
    std::string ourDigest, theirDigest;
    for (int round = 1; round <= kRounds; ++round) {
        const Run a = DigestOurs(path);
        const Run b = DigestMd5sum(path);
        std::printf("round %d: ours %.3f s, md5sum %.3f s\n", round, a.seconds, b.seconds);
        ours = std::min(ours, a.seconds);
        theirs = std::min(theirs, b.seconds);
        ourDigest = a.digest;
        theirDigest = b.digest;
    }
    std::filesystem::remove(path);

    if (ourDigest.empty() || ourDigest != theirDigest) {
        std::printf("DIGESTS DIFFER: ours %s, md5sum %s\n", ourDigest.c_str(), theirDigest.c_str());
        return 1;
    }
    const double mbPerSecond = static_cast<double>(mebibytes) / ours;
    const double ratio = ours / theirs;
    std::printf("digest %s (both)\n", ourDigest.c_str());
    std::printf("best: ours %.3f s (%.0f MiB/s), md5sum %.3f s (%.0f MiB/s)\n", ours, mbPerSecond,
                theirs, static_cast<double>(mebibytes) / theirs);
    std::printf("time ratio ours / md5sum: %.3f (target at most 1.100): %s\n", ratio,
                ratio <= 1.1 ? "met" : "MISSED");
    return 0;
}
