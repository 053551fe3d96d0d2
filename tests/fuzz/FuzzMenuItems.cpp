// Menu descriptions through the dispatcher, as a page sends them: the input up to its first line
// break is the `items` text of mainMenu.setItems; what follows, if anything, is the `data` object
// of a mainMenu.updateItem request on the menu just built. Replies are captured, not posted.

#include "../unit/support/BridgeHarness.h"

#include "forms/Forms.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string ReadFixture(const char* Name) {
    std::ifstream in(std::string(VTR_ICON_FIXTURES) + "/" + Name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct TTarget {
    TTarget()
        : Bridge({{"app/icons/red.png", ReadFixture("red.png")}, {"app/icons/bad.png", "not an image"}}) {
        Bridge.Module.SetMainForm(&MainForm);
    }
    Forms::TForm MainForm;
    BridgeHarness::TBridge Bridge;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Unanswered requests are reported on standard error: one line per input is only noise here.
    std::cerr.setstate(std::ios::badbit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    static TTarget target;
    const std::string input(reinterpret_cast<const char*>(Data), Size);
    const std::size_t split = input.find('\n');
    const nlohmann::json setItems = {
        {"id", 12001}, {"uuid", "s"}, {"data", {{"items", input.substr(0, split)}}}};
    target.Bridge.Module.HandleWebMessage(
        "", setItems.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    if (split != std::string::npos) {
        target.Bridge.Module.HandleWebMessage("", R"({"id": 12002, "uuid": "u", "data": )" +
                                                      input.substr(split + 1) + "}");
    }
    target.Bridge.Replies.clear();
    return 0;
}
