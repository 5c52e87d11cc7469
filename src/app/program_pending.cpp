// Temporary: enough of the entry routine to see what an installer carries, until the real one lands.
#include <cstdio>

#include "app/program_pending.h"
#include "core/common/text.h"
#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "core/payload/payload_source.h"

namespace Ravenquill::Program {

int Main(std::span<const std::wstring> arguments) {
    const auto options = Core::CommandLineOptions::Parse(arguments);
    const auto manifest = Core::InstallManifest::Load();
    if (options.ShowHelp) return 0;
    const auto source = Core::PayloadSource::Open();
    const std::wstring line =
        manifest.ProductName + L": " + (source ? std::to_wstring(source->Entries().size()) + L" files" : L"no payload");
    const std::string bytes = Text::ToUtf8(line) + "\r\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    return source ? 0 : 1;
}

std::optional<std::wstring> FindSelfTestDir(std::span<const std::wstring>) { return std::nullopt; }

}  // namespace Ravenquill::Program
