// Compile time of the two mail header patterns, and the throughput of
// decoding escapes and matching both patterns over generated mail messages.
//
// Usage: bench_regex [messages] [seed]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "regex/AWKStr.h"

namespace {

using tervaline::regex::TAWKStr;
using Clock = std::chrono::steady_clock;

const char* const kToPattern = "[Tt][Oo]:.*@";
const char* const kFromPattern = "[Ff][Rr][Oo][Mm]:.*@";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class TMailGenerator {
public:
    explicit TMailGenerator(std::uint32_t seed) : random_(seed) {}

    std::string Message() {
        std::string m;
        const int kind = Pick(10);
        // Most messages carry address lines; some are fragments of bodies or
        // attachments that a carved chain may hold instead.
        if (kind < 7) {
            m += "Return-Path: <" + Address() + ">\r\n";
            m += "Received: from mx" + std::to_string(Pick(100)) + ".example.net by relay.example.org\r\n";
            if (Pick(2)) m += "From: " + Word() + " <" + Address() + ">\r\n";
            m += "To: " + Address() + "\r\n";
            m += "Subject: " + Sentence(6) + "\r\n";
            m += "Date: Mon, 7 Dec 2026 21:00:00 +0000\r\nMIME-Version: 1.0\r\n";
            m += "Content-Type: text/plain; charset=\"iso-2022-jp\"\r\n\r\n";
        } else if (kind < 8) {
            m += "From: " + Word() + "\r\nSubject: " + Sentence(4) + "\r\n\r\n";
        } else {
            m += "Content-Transfer-Encoding: base64\r\n\r\n";
            for (int line = 0, n = 10 + Pick(60); line < n; ++line) m += Base64Line();
            return m;
        }
        for (int line = 0, n = 5 + Pick(60); line < n; ++line) {
            m += Sentence(4 + Pick(10));
            if (Pick(20) == 0) m += " C:\\temp\\new\\report.txt";
            m += "\r\n";
        }
        return m;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Word() {
        static const char* const words[] = {"meeting", "project", "review", "Tuesday", "invoice",
                                            "thanks", "regards", "schedule", "draft", "update",
                                            "the", "a", "to", "from", "tomorrow", "store"};
        return words[Pick(static_cast<int>(std::size(words)))];
    }

    std::string Sentence(int words) {
        std::string s = Word();
        for (int i = 1; i < words; ++i) {
            s += ' ';
            s += Word();
        }
        return s;
    }

    std::string Address() { return Word() + "." + Word() + "@example.org"; }

    std::string Base64Line() {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string line;
        for (int i = 0; i < 76; ++i) line += alphabet[Pick(64)];
        return line + "\r\n";
    }

    std::mt19937 random_;
};

void BenchCompile() {
    const int rounds = 200;
    const auto started = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        TAWKStr awk(nullptr);
        awk.SetRegExp(kToPattern);
        awk.SetRegExp(kFromPattern);
    }
    const double seconds = Seconds(started);
    std::printf("compile: %d objects with both patterns in %.3f s, %.1f us per pattern\n", rounds, seconds,
                seconds * 1e6 / (2.0 * rounds));
}

// Runs the mail test over the corpus; answers the number of messages found.
int RunCorpus(const std::vector<std::string>& corpus, bool freshObjectPerMessage, double& seconds) {
    int found = 0;
    TAWKStr shared(nullptr);
    std::string decoded;
    const auto started = Clock::now();
    for (const std::string& message : corpus) {
        TAWKStr fresh(nullptr);
        TAWKStr& awk = freshObjectPerMessage ? fresh : shared;
        std::int32_t start = 0, length = 0;
        TAWKStr::DecodeEscapes(message, decoded);
        awk.SetRegExp(kToPattern);
        if (awk.Match(decoded, start, length) <= 0) {
            awk.SetRegExp(kFromPattern);
            if (awk.Match(decoded, start, length) <= 0) continue;
        }
        ++found;
    }
    seconds = Seconds(started);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::atoi(argv[1]) : 20000;
    const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1);

    BenchCompile();

    TMailGenerator generator(seed);
    std::vector<std::string> corpus;
    std::size_t bytes = 0;
    for (int i = 0; i < messages; ++i) {
        corpus.push_back(generator.Message());
        bytes += corpus.back().size();
    }
    const double megabytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("corpus: %d messages, %.2f MB\n", messages, megabytes);

    for (const bool fresh : {false, true}) {
        double seconds = 0;
        const int found = RunCorpus(corpus, fresh, seconds);
        std::printf("%s: %d mail, %d other, %.3f s, %.1f MB/s\n",
                    fresh ? "decode+match, new object per message" : "decode+match, one cached object",
                    found, messages - found, seconds, megabytes / seconds);
    }
    return 0;
}
