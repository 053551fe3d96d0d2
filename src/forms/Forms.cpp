#include "forms/Forms.h"

#include "forms/Application.h"
#include "forms/Menus.h"

namespace Forms {

void TForm::Close() {
    if (!CloseQuery()) {
        return;
    }
    if (FModal) {
        if (FModalResult == mrNone) {
            SetModalResult(mrCancel);
        }
        return;
    }
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) {
        return;
    }
    if (Application().MainForm() == this) {
        Application().Terminate();
    }
    if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Hide();
    }
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) {
        OnCloseQuery(this, canClose);
    }
    return canClose;
}

void TForm::DoClose(TCloseAction& Action) {
    if (OnClose) {
        OnClose(this, Action);
    }
}

bool TForm::DoKeyDown(unsigned Key, unsigned Shift) {
    if (!OnKeyDown) {
        return false;
    }
    unsigned key = Key;
    OnKeyDown(this, key, Shift);
    return key == 0;
}

bool TForm::DoKeyUp(unsigned Key, unsigned Shift) {
    if (!OnKeyUp) {
        return false;
    }
    unsigned key = Key;
    OnKeyUp(this, key, Shift);
    return key == 0;
}

bool TForm::IsShortCut(const TKeyMessage& Message) {
    return FMenu != nullptr && FMenu->IsShortCut(Message);
}

void TForm::SetCaption(const std::string& Value) {
    FCaption = Value;
    if (HandleAllocated()) {
        ApplyBorder();
    }
}

} // namespace Forms
