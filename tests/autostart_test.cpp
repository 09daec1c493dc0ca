#include "memory_registry.h"
#include "shell/autostart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Call = MemoryRegistry::Call;

// What the module-path reader hands out: a path, or a forced length (0, or a cut path).
struct ModulePath {
    static inline std::wstring path;
    static inline int64_t forcedLength = -1;
    static inline uint32_t capacitySeen = 0;
    static inline bool bufferWasZeroed = false;

    static void set(const std::wstring& text) {
        path = text;
        forcedLength = -1;
    }
    static uint32_t read(wchar_t* buffer, uint32_t capacity) {
        capacitySeen = capacity;
        bufferWasZeroed = std::all_of(buffer, buffer + capacity, [](wchar_t c) { return c == 0; });
        const size_t copied = std::min<size_t>(path.size(), capacity);
        std::copy_n(path.begin(), copied, buffer);
        return forcedLength >= 0 ? uint32_t(forcedLength) : uint32_t(copied);
    }
};

constexpr wchar_t PROGRAM_PATH[] = L"C:\\Program Files\\Rolvane\\Rolvane.exe";
constexpr char16_t STORED_COMMAND_LINE[] = u"\"C:\\Program Files\\Rolvane\\Rolvane.exe\" --tray";

class Autostart : public ::testing::Test {
  protected:
    MemoryRegistry registry;

    void SetUp() override {
        ModulePath::set(PROGRAM_PATH);
        registry.keys[RUN_KEY];
    }
    void TearDown() override { EXPECT_TRUE(registry.allKeysClosed()); }

    void plant(uint32_t type, const std::u16string& text) {
        registry.setString(RUN_KEY, AUTOSTART_VALUE, text, type);
    }
    int32_t toggle() { return toggleAutostart(registry, ModulePath::read); }
    const MemoryRegistry::Value* stored() const { return registry.find(RUN_KEY, AUTOSTART_VALUE); }

    void expectCommandLineStored() {
        const MemoryRegistry::Value* value = stored();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, REGISTRY_TYPE_SZ);
        // The text with its terminating NUL: (characters + 1) x 2 bytes.
        EXPECT_EQ(registry.text(RUN_KEY, AUTOSTART_VALUE),
                  std::u16string(STORED_COMMAND_LINE) + u'\0');
    }
};

TEST_F(Autostart, ClickWithoutAValueWritesTheQuotedPathAndTray) {
    EXPECT_FALSE(isAutostartRegistered(registry));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    expectCommandLineStored();
    EXPECT_TRUE(isAutostartRegistered(registry));
    const auto create = std::find_if(registry.calls.begin(), registry.calls.end(),
                                     [](const auto& r) { return r.call == Call::create; });
    ASSERT_NE(create, registry.calls.end());
    EXPECT_EQ(create->target, RUN_KEY);
    EXPECT_EQ(create->access, REGISTRY_SET_VALUE);
}

TEST_F(Autostart, ValueOfAnotherCopyCountsAsOnAndIsDeletedThenRewritten) {
    plant(REGISTRY_TYPE_SZ, u"\"D:\\Old\\Rolvane.exe\" --tray");
    EXPECT_TRUE(isAutostartRegistered(registry));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    EXPECT_EQ(stored(), nullptr);
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    expectCommandLineStored();
}

TEST_F(Autostart, DwordOrEmptyTextCountsAsOffAndIsOverwritten) {
    registry.setDword(RUN_KEY, AUTOSTART_VALUE, 1);
    EXPECT_FALSE(isAutostartRegistered(registry));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    expectCommandLineStored();

    plant(REGISTRY_TYPE_SZ, u"");
    EXPECT_FALSE(isAutostartRegistered(registry));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    expectCommandLineStored();
}

TEST_F(Autostart, ExpandableTextCountsAsOnAndIsDeleted) {
    plant(REGISTRY_TYPE_EXPAND_SZ, u"%LOCALAPPDATA%\\Rolvane.exe");
    EXPECT_TRUE(isAutostartRegistered(registry));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    EXPECT_EQ(stored(), nullptr);
    EXPECT_EQ(registry.count(Call::set), 0);
}

TEST_F(Autostart, SomethingAlreadyGoneIsNoFailure) {
    plant(REGISTRY_TYPE_SZ, u"x.exe");
    registry.deleteFailures[AUTOSTART_VALUE] = REGISTRY_FILE_NOT_FOUND;
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);

    // The Run key itself vanished between the query (calls 1 to 3) and the open for the delete.
    MemoryRegistry vanished;
    vanished.setString(RUN_KEY, AUTOSTART_VALUE, u"x.exe");
    vanished.callFailures[4] = REGISTRY_FILE_NOT_FOUND;
    EXPECT_EQ(toggleAutostart(vanished, ModulePath::read), REGISTRY_SUCCESS);
    EXPECT_EQ(vanished.count(Call::remove), 0);
    EXPECT_TRUE(vanished.allKeysClosed());
}

TEST_F(Autostart, FailuresReportTheFailingStatus) {
    plant(REGISTRY_TYPE_SZ, u"x.exe");
    registry.deleteFailures[AUTOSTART_VALUE] = REGISTRY_ACCESS_DENIED;
    EXPECT_EQ(toggle(), REGISTRY_ACCESS_DENIED);
    registry.deleteFailures.clear();
    registry.deniedAccess[RUN_KEY] = REGISTRY_SET_VALUE;
    EXPECT_EQ(toggle(), REGISTRY_ACCESS_DENIED);
    EXPECT_NE(stored(), nullptr);

    registry.keys[RUN_KEY].clear();
    EXPECT_EQ(toggle(), REGISTRY_ACCESS_DENIED);
    registry.deniedAccess.clear();
    registry.writeFailures[AUTOSTART_VALUE] = 1021; // ERROR_CANTWRITE
    EXPECT_EQ(toggle(), 1021);
    EXPECT_EQ(stored(), nullptr);
}

TEST_F(Autostart, PathThatCannotBeHadWholeWritesNothing) {
    for (const int64_t length : {int64_t(0), int64_t(MODULE_PATH_CAPACITY)}) {
        ModulePath::forcedLength = length;
        EXPECT_EQ(buildAutostartCommandLine(ModulePath::read), L"");
        EXPECT_EQ(toggle(), REGISTRY_INVALID_DATA);
        EXPECT_EQ(registry.count(Call::set), 0);
    }
}

TEST_F(Autostart, LongestWholePathIsStoredWhole) {
    ModulePath::set(std::wstring(MODULE_PATH_CAPACITY - 1, L'a'));
    EXPECT_EQ(toggle(), REGISTRY_SUCCESS);
    EXPECT_EQ(ModulePath::capacitySeen, MODULE_PATH_CAPACITY);
    EXPECT_TRUE(ModulePath::bufferWasZeroed);
    ASSERT_NE(stored(), nullptr);
    // 32767 characters of path, two quotes, a blank, "--tray" and the NUL, two bytes each.
    EXPECT_EQ(stored()->data.size(), 65554u);
}

TEST(AutostartCommandLine, PathStandsInQuotesWithOrWithoutBlanks) {
    ModulePath::set(L"C:\\Program Files\\Rolvane\\Rolvane.exe");
    EXPECT_EQ(buildAutostartCommandLine(ModulePath::read),
              L"\"C:\\Program Files\\Rolvane\\Rolvane.exe\" --tray");
    ModulePath::set(L"C:\\Tools\\Rolvane.exe");
    EXPECT_EQ(buildAutostartCommandLine(ModulePath::read), L"\"C:\\Tools\\Rolvane.exe\" --tray");
}

} // namespace
