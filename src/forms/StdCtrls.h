#pragma once

// Standard controls: the one-line edit box.

#include "forms/Forms.h"

#include <string>

namespace Forms {

class TVirtualImageList;

// A font as a form's layout gives it: a family name and a height in pixels (negative: the
// height of the characters, as classic layouts store it; positive: of the whole line).
struct TFont {
    std::string Name;
    int Height = 0; // 0: the theme's size
};

// A button inside the edit box's left or right edge, showing one image of the edit's Images.
struct TEditButton {
    bool Visible = false;
    int ImageIndex = -1;
};

class TEdit : public TWinControl {
public:
    TEdit();
    ~TEdit() override;

    std::string Text() const;
    void SetText(const std::string& Value);
    // The character shown for each typed one; '\0' shows the text itself.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& Value);
    // Where the buttons take their images from (not owned; may be null).
    TVirtualImageList* Images() const { return FImages; }
    void SetImages(TVirtualImageList* Value);
    const TEditButton& LeftButton() const { return FLeftButton; }
    void SetLeftButton(const TEditButton& Value);

    // Key presses and releases in the box, with the virtual-key code and the shift state
    // (ssShift 1, ssAlt 2, ssCtrl 4). A key press handler that sets Key to 0 swallows it.
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnChange;
    TNotifyEvent OnLeftButtonClick;

    struct TEditImpl;

protected:
    TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea) override;
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    void ApplyAppearance();
    void ApplyLeftButton();

    std::unique_ptr<TEditImpl> FEditImpl;
    std::string FText; // while there is no native widget
    char FPasswordChar = '\0';
    TFont FFont;
    TVirtualImageList* FImages = nullptr; // not owned
    TEditButton FLeftButton;
};

} // namespace Forms
