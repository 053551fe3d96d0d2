// The bridge dispatcher fed arbitrary message texts, with no browser behind it (replies are
// captured). It must never crash, must answer a request at most once, and must not answer a
// message that is not a well-formed request for a function of the table (unpaired surrogates
// being read as U+FFFD).
#include "shared/bridge/BridgeFiles.h"
#include "shared/bridge/BridgeProtocol.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/text/Base64.h"
#include "shared/text/StrUtils.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using Shared::TBrowserExternalModule;

// Functions that would act on the machine (write or remove files, start programs) are replaced
// by one that reads the arguments they read, the same way, and answers; all others run as they
// are (without a window, a browser or an archive behind the module).
class TFuzzModule : public TBrowserExternalModule {
public:
    TFuzzModule() : FTable(FunctionTable()) {
        const auto readOnly = static_cast<TBridgeFunction>(&TFuzzModule::ReadArguments);
        for (const int id : {30002, 30003, 40002, 70001, 70002, 70003, 90001}) {
            FTable.at(id).Function = readOnly;
        }
    }

    const std::map<int, TFunctionEntry>& Functions() const override { return FTable; }

    void ReadArguments(const std::string& Uuid, const nlohmann::json& Data) {
        std::string text;
        for (const char* name : {"filePath", "dirPath", "arguments", "command", "workingDir", "showWindow"}) {
            text += Shared::GetTextArg(Data, name, "");
        }
        const std::string contents = Shared::GetTextArg(Data, "contents", "");
        text += Shared::MakeTextFileBytes(contents);
        text += Shared::DecodeBase64Groups(contents);
        PostSuccess(Uuid, Shared::TextResult(text));
    }

private:
    std::map<int, TFunctionEntry> FTable;
};

bool IsWellFormedRequest(const std::string& Text,
                         const std::map<int, TBrowserExternalModule::TFunctionEntry>& Table,
                         std::string& Uuid) {
    try {
        const Shared::TBridgeRequest request = Shared::ParseBridgeRequest(Text);
        int id = 0;
        Uuid = request.Uuid;
        return Shared::TStrUtils::TryStrToInt(request.IdText, id) && Table.count(id) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Message boxes of runtime-only functions and unanswered requests are reported on the
    // standard error stream; thousands of them per second are only noise here.
    std::cerr.rdbuf(nullptr);
    unsetenv("DISPLAY"); // shell.windows: no display to list
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TFuzzModule module;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> replies;
    module.OnPostReply = [&replies](const std::string& Reply) { replies.push_back(Reply); };
    module.HandleWebMessage(text, text);
    module.OnPostReply = nullptr;

    // Unpaired surrogates are replaced once and for all, and text the parser takes as it is
    // stays untouched (the parser stops at a NUL byte, so only text without one counts).
    const std::string repaired = Shared::ReplaceLoneSurrogates(text);
    const bool accepted = text.find('\0') == std::string::npos && nlohmann::json::accept(text);
    if (Shared::ReplaceLoneSurrogates(repaired) != repaired || (accepted && repaired != text)) {
        std::abort();
    }

    std::string uuid;
    const bool wellFormed = IsWellFormedRequest(text, module.Functions(), uuid);
    if (replies.size() > 1 || (!wellFormed && !replies.empty())) {
        std::abort();
    }
    // A reply is JSON carrying the request's uuid, whenever that uuid needs no escaping.
    if (!replies.empty() && uuid.find_first_of("\"\\") == std::string::npos &&
        std::all_of(uuid.begin(), uuid.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20; })) {
        const auto reply = nlohmann::json::parse(replies.front(), nullptr, false);
        if (!reply.is_object() || reply.value("uuid", std::string("\x01")) != uuid ||
            !reply["success"].is_boolean()) {
            std::abort();
        }
    }
    return 0;
}
