#pragma once

// Common controls: the progress bar.

#include "forms/WinControl.h"

namespace Forms {

enum TProgressBarStyle { pbstNormal, pbstMarquee };

class TProgressBar : public TWinControl {
public:
    TProgressBar();
    ~TProgressBar() override;

    TProgressBarStyle Style() const { return FStyle; }
    void SetStyle(TProgressBarStyle Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);

protected:
    TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void VisibleChanged() override;

private:
    void UpdateNative();
    void StartPulse();
    void StopPulse();

    TProgressBarStyle FStyle = pbstNormal;
    int FPosition = 0;
    int FMax = 100;
    unsigned FPulseSource = 0;
};

} // namespace Forms
