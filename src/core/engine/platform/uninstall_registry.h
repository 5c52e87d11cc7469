#pragma once
// The product's entry in the system's list of installed programs: the key
// Software\Microsoft\Windows\CurrentVersion\Uninstall\<product id> of HKEY_LOCAL_MACHINE (per
// machine) or HKEY_CURRENT_USER (per user), always in the 64-bit view. A product id that is blank
// or holds '\' is refused with ArgumentException before any key is opened (FindInstalled finds no
// entry for it), so no call ever touches the list key itself or another program's entry.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/model/install_record.h"

namespace Ravenquill::Core::UninstallRegistry {

// The list key under the hive; an entry's key is this, '\' and the product id.
inline constexpr wchar_t ListKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// One value of the entry: a string (REG_SZ) or a 32-bit number (REG_DWORD).
struct RegistryValue {
    std::wstring Name;
    std::variant<std::wstring, std::uint32_t> Data;

    bool operator==(const RegistryValue&) const = default;
};

// What FindInstalled reports of an existing entry.
struct InstalledEntry {
    std::wstring InstallLocation;
    std::wstring DisplayVersion;  // empty when the entry has none that is a string
    // The installation's scope: the hive the entry was found in (true for the machine's).
    bool PerMachine = false;

    bool operator==(const InstalledEntry&) const = default;
};

// The most characters the registry takes in one key's name.
inline constexpr std::size_t MaxEntryNameLength = 255;

// Whether the product id can name an entry of its own: neither blank, nor holding '\', nor longer
// than MaxEntryNameLength.
bool IsEntryName(std::wstring_view productId);

// The entry's key path below the hive. ArgumentException for an id that is empty, white space,
// holds '\' or is longer than MaxEntryNameLength.
std::wstring EntryKeyPath(std::wstring_view productId);

// The values that Write sets, in the order it sets them. installDate is the "yyyyMMdd" text.
std::vector<RegistryValue> EntryValues(const InstallRecord& record, std::wstring_view uninstallerPath,
                                       std::int64_t totalBytes, const std::optional<std::wstring>& iconPath,
                                       const std::optional<std::wstring>& website, std::wstring_view installDate);

// The byte total in kibibytes with the fraction dropped, at least 1, cut to 32 bits.
std::uint32_t EstimatedSizeKib(std::int64_t totalBytes);
// A decimal 32-bit signed integer with optional surrounding white space and a leading sign, in the
// user's number format; a negative number as its two's complement. Nothing when it does not parse.
std::optional<std::uint32_t> ParseVersionPart(std::wstring_view part);
// The date as eight digits, year first.
std::wstring FormatInstallDate(int year, int month, int day);

// Windows: creates or opens the entry of record.ProductId in the hive of record.PerMachine and sets
// its values. Values an earlier write set and this one does not (a website no longer given) stay.
// Failures (access denied for a per-machine entry without administrator rights) reach the caller.
void Write(const InstallRecord& record, const std::wstring& uninstallerPath, std::int64_t totalBytes,
           const std::optional<std::wstring>& iconPath, const std::optional<std::wstring>& website);

// Windows: removes the entry with its values and subkeys. An entry that is missing or that this
// process may not open for writing is left alone without a report; a failure after it was opened
// reaches the caller (access denied as UnauthorizedAccessException, others as IOException).
void Delete(const std::wstring& productId, bool perMachine);

// Windows: the entry of one hive (the machine's for perMachine, else the user's) when it has an
// InstallLocation that is a non-blank string; none for an id that cannot name an entry, and none
// when this process may not read that hive's entry.
std::optional<InstalledEntry> FindInHive(const std::wstring& productId, bool perMachine);

// Windows: the machine's entry, else the user's (FindInHive of each).
std::optional<InstalledEntry> FindInstalled(const std::wstring& productId);

}  // namespace Ravenquill::Core::UninstallRegistry
