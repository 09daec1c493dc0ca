#include "memory_registry.h"
#include "shell/autostart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

// The running program's path as the platform hands it out, or a forced length (0, or cut).
struct ModulePath {
    static inline std::wstring path = L"C:\\Users\\Zoë\\Rolvane build\\Rolvane.exe";
    static inline std::optional<uint32_t> forcedLength;

    static uint32_t read(wchar_t* buffer, uint32_t capacity) {
        EXPECT_EQ(capacity, MODULE_PATH_CAPACITY);
        EXPECT_TRUE(std::all_of(buffer, buffer + capacity, [](wchar_t c) { return c == 0; }));
        const size_t copied = std::min<size_t>(path.size(), capacity);
        std::copy_n(path.begin(), copied, buffer);
        return forcedLength.value_or(uint32_t(copied));
    }
};

const MemoryRegistry::Value commandLine{
    REGISTRY_TYPE_SZ, [] {
        const std::u16string text = u"\"C:\\Users\\Zo\u00eb\\Rolvane build\\Rolvane.exe\" --tray";
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
        return std::vector<uint8_t>(bytes, bytes + (text.size() + 1) * 2);
    }()};

// What is stored under the Run value before a click, whether the switch shows it as on, and
// whether the click deletes it (on) or writes the quoted path and --tray over it (off).
TEST(Autostart, AClickAsksForTheOppositeOfWhatTheSwitchShows) {
    struct Case {
        const char* what;
        std::optional<MemoryRegistry::Value> stored;
        bool on;
    };
    const auto text = [](const std::u16string& value, uint32_t type) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(value.c_str());
        return MemoryRegistry::Value{type, std::vector<uint8_t>(bytes, bytes + value.size() * 2 + 2)};
    };
    const Case cases[] = {
        {"nothing", std::nullopt, false},
        {"another copy's path", text(u"\"D:\\Old\\Rolvane.exe\" --tray", REGISTRY_TYPE_SZ), true},
        {"an expandable path", text(u"%LOCALAPPDATA%\\Rolvane.exe", REGISTRY_TYPE_EXPAND_SZ), true},
        {"an empty text", text(u"", REGISTRY_TYPE_SZ), false},
        {"a number", MemoryRegistry::Value{REGISTRY_TYPE_DWORD, {1, 0, 0, 0}}, false},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        registry.keys[RUN_KEY];
        if (c.stored) {
            registry.keys[RUN_KEY][AUTOSTART_VALUE] = *c.stored;
        }
        EXPECT_EQ(isAutostartRegistered(registry), c.on) << c.what;
        EXPECT_EQ(toggleAutostart(registry, ModulePath::read), REGISTRY_SUCCESS) << c.what;
        const MemoryRegistry::Value* after = registry.find(RUN_KEY, AUTOSTART_VALUE);
        EXPECT_EQ(after ? std::optional(*after) : std::nullopt,
                  c.on ? std::nullopt : std::optional(commandLine))
            << c.what;
        EXPECT_EQ(isAutostartRegistered(registry), !c.on) << c.what;
        EXPECT_TRUE(registry.allKeysClosed());
    }
}

TEST(Autostart, APathThatCannotBeHadWholeWritesNothing) {
    for (const uint32_t length : {0u, MODULE_PATH_CAPACITY}) {
        MemoryRegistry registry;
        ModulePath::forcedLength = length;
        EXPECT_EQ(buildAutostartCommandLine(ModulePath::read), L"");
        EXPECT_EQ(toggleAutostart(registry, ModulePath::read), REGISTRY_INVALID_DATA);
        EXPECT_EQ(registry.find(RUN_KEY, AUTOSTART_VALUE), nullptr);
    }
    ModulePath::forcedLength.reset();
    // The longest path that fits is stored whole: its characters, two quotes, a blank,
    // "--tray" and the NUL, two bytes each.
    const std::wstring usual = ModulePath::path;
    ModulePath::path = std::wstring(MODULE_PATH_CAPACITY - 1, L'a');
    MemoryRegistry registry;
    EXPECT_EQ(toggleAutostart(registry, ModulePath::read), REGISTRY_SUCCESS);
    ASSERT_NE(registry.find(RUN_KEY, AUTOSTART_VALUE), nullptr);
    EXPECT_EQ(registry.find(RUN_KEY, AUTOSTART_VALUE)->data.size(), 65554u);
    ModulePath::path = usual;
}

// Both ways, a call failing at each step: the failure is reported and every key closed. A failed
// query makes the value look absent, so the click writes it; a delete that finds the key or the
// value gone counts as done.
TEST(Autostart, AFailingCallIsReportedAndNeverLeavesAHalfWrittenValue) {
    const MemoryRegistry::Value old{REGISTRY_TYPE_SZ, {'x', 0, 0, 0}};
    for (const bool registered : {false, true}) {
        for (int failing = 1; failing <= 4; ++failing) {
            for (const int32_t status : {REGISTRY_FILE_NOT_FOUND, REGISTRY_ACCESS_DENIED}) {
                MemoryRegistry registry;
                registry.keys[RUN_KEY];
                if (registered) {
                    registry.keys[RUN_KEY][AUTOSTART_VALUE] = old;
                }
                registry.failures[failing] = status;
                const bool queryFailed = failing <= 2;
                const bool goneAlready = registered && status == REGISTRY_FILE_NOT_FOUND;
                const int32_t want = queryFailed || goneAlready ? REGISTRY_SUCCESS : status;
                const MemoryRegistry::Value* wanted =
                    queryFailed ? &commandLine : registered ? &old : nullptr;
                EXPECT_EQ(toggleAutostart(registry, ModulePath::read), want)
                    << registered << " " << failing << " " << status;
                const MemoryRegistry::Value* after = registry.find(RUN_KEY, AUTOSTART_VALUE);
                EXPECT_TRUE(after && wanted ? *after == *wanted : after == wanted)
                    << registered << " " << failing << " " << status;
                EXPECT_TRUE(registry.allKeysClosed());
            }
        }
    }
}

} // namespace
