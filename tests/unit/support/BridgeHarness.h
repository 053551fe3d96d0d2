#pragma once

// The bridge module over an application archive built in memory, with its replies captured
// instead of posted to a browser: requests go in as the page sends them, replies come out as
// the page would receive them.

#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/archive/Stream.h"
#include "shared/archive/ZipWriter.h"
#include "shared/bridge/BrowserExternalModule.h"

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace BridgeHarness {

struct TReply {
    bool Success = false;
    nlohmann::json Result;
};

class TBridge {
public:
    // Entries of the archive by name; without an archive the module serves no packaged
    // application (the runtime-only functions then refuse).
    explicit TBridge(const std::map<std::string, std::string>& Entries = {}, bool WithArchive = true) {
        if (WithArchive) {
            Shared::TZipWriter writer(FArchive, Shared::Archive::Password);
            for (const auto& [name, bytes] : Entries) {
                writer.AddFile(name, bytes);
            }
            writer.Finish();
            FZip.SetPassword(Shared::Archive::Password);
            FZip.Open(FArchive);
            Module.SetExeZip(&FZip);
        }
        Module.OnPostReply = [this](const std::string& Reply) { Replies.push_back(Reply); };
    }

    // Sends one request; its reply, or nothing when none was posted.
    std::optional<TReply> Call(int Id, const nlohmann::json& Data) {
        return CallRaw(
            nlohmann::json{{"id", Id}, {"uuid", "u" + std::to_string(++FCount)}, {"data", Data}}.dump());
    }
    std::optional<TReply> CallRaw(const std::string& Message) {
        const std::size_t before = Replies.size();
        Module.HandleWebMessage("", Message);
        if (Replies.size() == before) {
            return std::nullopt;
        }
        const nlohmann::json reply = nlohmann::json::parse(Replies.back());
        return TReply{reply.at("success").get<bool>(), reply.at("result")};
    }

    Shared::TBrowserExternalModule Module;
    std::vector<std::string> Replies;

private:
    Shared::TMemoryStream FArchive;
    Shared::TExeZip FZip;
    int FCount = 0;
};

inline TReply Ok(const nlohmann::json& Result) {
    return {true, Result};
}
inline TReply Failed(const nlohmann::json& Result) {
    return {false, Result};
}
inline bool operator==(const TReply& A, const TReply& B) {
    return A.Success == B.Success && A.Result == B.Result;
}
inline std::ostream& operator<<(std::ostream& Out, const TReply& R) {
    return Out << (R.Success ? "success " : "failure ") << R.Result.dump();
}

} // namespace BridgeHarness
