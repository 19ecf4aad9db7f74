// The main menu window: the program's start-up window. It shows the version and the category
// buttons, applies the edition, holds the model table in its hidden list lstMain, opens the
// search window for the category pressed, and ends the program when it closes.
#pragma once

#include "forms/Controls.h"

class MainMenuForm : public forms::Form
{
public:
    MainMenuForm();

    forms::ListBox lstMain{this, "lstMain"};
    forms::ControlArray<forms::CommandButton> cmdType{this, 10, "cmdType"};
    forms::CommandButton cmdExit{this, "cmdExit"};
    forms::Label lblWarn{this, "lblWarn"};
    forms::Label lblOS{this, "lblOS"};
    forms::Label lblVersion{this, "lblVersion"};

protected:
    void Form_Load() override;
    void Form_QueryUnload(forms::Integer &Cancel, forms::Integer UnloadMode) override;

private:
    void cmdType_Click(forms::Integer Index);
    void cmdExit_Click();
};

extern forms::GlobalForm<MainMenuForm> frmMain;
