#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Reads the fuzzer's bytes as a stream of choices; past the end every read gives 0, so any
// input, however short, is a complete run.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool empty() const { return position >= size; }

    uint8_t byte() { return position < size ? data[position++] : 0; }
    // Low part first; each read is its own statement, so the order is fixed.
    uint16_t u16() {
        const uint16_t low = byte();
        return uint16_t(low | byte() << 8);
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | uint32_t(u16()) << 16;
    }
    bool flag() { return (byte() & 1) != 0; }

    // A number from lowest to highest, both included.
    int32_t inRange(int32_t lowest, int32_t highest) {
        const uint64_t span = uint64_t(int64_t{highest} - lowest) + 1;
        return int32_t(lowest + int64_t(u32() % span));
    }

    template <typename T, size_t N> const T& pick(const T (&choices)[N]) {
        return choices[byte() % N];
    }

  private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

// A broken invariant: say which, and abort, so that libFuzzer and the replay both report it.
[[noreturn]] __attribute__((format(printf, 1, 2))) inline void fuzzFailure(const char* format,
                                                                          ...) {
    va_list arguments;
    va_start(arguments, format);
    std::fputs("invariant broken: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::abort();
}

#define FUZZ_CHECK(condition, ...)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fuzzFailure(__VA_ARGS__);                                                              \
        }                                                                                          \
    } while (0)
