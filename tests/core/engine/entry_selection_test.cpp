#include <gtest/gtest.h>

#include "core/engine/engines/install_engine.h"

namespace Ravenquill::Core {
namespace {

class ListedPayload final : public PayloadSource {
public:
    explicit ListedPayload(std::initializer_list<const wchar_t*> paths) {
        for (const wchar_t* path : paths) entries_.push_back(PayloadEntry{path, 1, nullptr});
    }
    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

private:
    std::vector<PayloadEntry> entries_;
};

std::vector<std::wstring> Paths(const std::vector<const PayloadEntry*>& entries) {
    std::vector<std::wstring> paths;
    for (const PayloadEntry* entry : entries) paths.push_back(entry->RelativePath);
    return paths;
}

InstallManifest ManifestWithComponents() {
    InstallManifest manifest;
    manifest.Components = {
        ComponentDefinition{L"core", L"Ядро", std::nullopt, L"bin/", true},
        ComponentDefinition{L"docs", L"Документация", std::nullopt, L"docs", false},
        ComponentDefinition{L"extra", L"Дополнительно", std::nullopt, L"docs\\extra", false},
        ComponentDefinition{L"blank", L"Без файлов", std::nullopt, L"  ", false},
    };
    return manifest;
}

TEST(EntrySelectionTest, TheFirstMatchingComponentDecidesAndUnownedEntriesAlwaysGo) {
    const ListedPayload payload{L"BIN\\app.exe", L"docs\\a.txt", L"docs\\extra\\b.txt", L"readme.txt", L"binaries\\x"};
    const InstallManifest manifest = ManifestWithComponents();
    struct Case {
        std::vector<std::wstring> selected;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {{}, {L"BIN\\app.exe", L"readme.txt", L"binaries\\x"}},
        {{L"docs"}, {L"BIN\\app.exe", L"docs\\a.txt", L"docs\\extra\\b.txt", L"readme.txt", L"binaries\\x"}},
        // "extra" is shadowed by "docs", which comes first in the manifest.
        {{L"extra"}, {L"BIN\\app.exe", L"readme.txt", L"binaries\\x"}},
        // Ids compare case-sensitively.
        {{L"DOCS"}, {L"BIN\\app.exe", L"readme.txt", L"binaries\\x"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Paths(InstallEngine::SelectEntries(payload, manifest, c.selected)), c.expected);
}

TEST(EntrySelectionTest, EntriesPointIntoTheSourceList) {
    const ListedPayload payload{L"a", L"b"};
    const auto selected = InstallEngine::SelectEntries(payload, InstallManifest{}, {});
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0], &payload.Entries()[0]);
    EXPECT_EQ(selected[1], &payload.Entries()[1]);
}

}  // namespace
}  // namespace Ravenquill::Core
