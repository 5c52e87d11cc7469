#pragma once
// The checks of a publisher's build. At run time the installer falls back in silence: defaults for
// a manifest it cannot read, shortcuts to a main program that is not there, the monogram for a logo
// it cannot decode, a refusal for a payload with nothing to install. The build is the one place
// where the publisher can be told, so these stop it instead.
#include <optional>
#include <string>
#include <vector>

namespace Ravenquill::Tools {

struct CheckFinding {
    bool IsError = true;  // otherwise a warning
    std::wstring Where;   // the file, or "file:line:column"
    std::wstring Message;

    // "where: error: message" or "where: warning: message", as compilers write them.
    std::wstring ToString() const;
    bool operator==(const CheckFinding&) const = default;
};

struct InstallerInputs {
    std::optional<std::wstring> Manifest;  // installer.json
    std::optional<std::wstring> Payload;   // a folder, an .rqpk package or a .zip archive
    std::optional<std::wstring> Logo;      // a PNG file
};

// The largest logo side that the installer is given: a larger image costs the wizard seconds to
// decode and scale before its window appears.
inline constexpr int MaxLogoSide = 1024;

// Errors: the manifest's (the reader's strict check), a product id that cannot name a file,
// "mainExecutable" or "iconPath" naming no file of the payload, a component whose prefix owns no
// file; a payload that is missing, of another kind, unreadable or without files; a logo that is no
// PNG the installer decodes or larger than MaxLogoSide. Warnings: empty folders of a payload
// folder, which no package carries. In that order, each input's findings in their text's order.
std::vector<CheckFinding> CheckInstallerInputs(const InstallerInputs& inputs);

}  // namespace Ravenquill::Tools
