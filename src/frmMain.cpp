#include "frmMain.h"

#include "Edition.h"
#include "ModelTable.h"
#include "forms/Program.h"
#include "frmSearch.h"

using namespace forms;

GlobalForm<MainMenuForm> frmMain;

MainMenuForm::MainMenuForm() : Form("frmMain")
{
    Caption = "Tevra Corporation - Model Cross Reference";
    setClientSize(7005, 4740);
    setBackColor({224, 224, 224});
    setPicture(":/banner.bmp");
    setIcon(":/main.ico");

    struct CategoryButton
    {
        const char *caption;
        Single left, top, height;
        const char *picture;
    };
    // clang-format off
    static const CategoryButton buttons[] = {
        {"&Analog", 375, 1575, 1140, ":/pictures/type0.jpg"},
        {"&Digital", 1650, 1575, 1140, ":/pictures/type1.jpg"},
        {"Digital &Color", 2925, 1575, 1140, ":/pictures/type2.jpg"},
        {"&Facsimile", 4200, 1575, 1140, ":/pictures/type3.jpg"},
        {"&Printer", 5475, 1575, 1140, ":/pictures/type4.jpg"},
        {"S&telmar", 975, 2850, 1140, ":/pictures/type5.jpg"},
        {"&Scanner", 2250, 2850, 1140, ":/pictures/type6.jpg"},
        {"&Wide Format", 3525, 2850, 1140, ":/pictures/type7.jpg"},
        {"Prod&uct Code", 4800, 2850, 540, nullptr},
        {"Development &Name", 4800, 3450, 540, nullptr},
    };
    //                         left   top  width height  tab
    lstMain.Place(             4875, 4350,  615,  255,   14);
    for (Integer i = 0; i < cmdType.Count(); ++i) {
        const CategoryButton &b = buttons[i];
        cmdType[i].Place(b.left, b.top, 1215, b.height, i);
        cmdType[i].Caption = b.caption;
        cmdType[i].setPictureStyle({255, 255, 255}, b.picture);
    }
    cmdExit.Place(             5700, 4275, 1215,  390,   10);
    lblWarn.Place(             1875,  525, 3060,  840,   13);
    lblOS.Place(               5700,  300, 1170,  225,   12);
    lblVersion.Place(          5700,   75, 1215,  195,   11);
    // clang-format on

    lstMain.Visible = false;
    cmdExit.Caption = "E&xit";
    lblWarn.Caption = "Internal Use Only Do Not Distribute";
    lblWarn.setForeColor({255, 0, 0});
    lblWarn.setFont("MS Sans Serif", 18, true);
    lblOS.Caption = "Win 98 and up";
    applyTabOrder();

    cmdType.OnClick(this, &MainMenuForm::cmdType_Click);
    cmdExit.OnClick(this, &MainMenuForm::cmdExit_Click);
}

void MainMenuForm::Form_Load()
{
    Left = 10;
    Top = 10;
    const Integer major = App.Major;
    const Integer minor = App.Minor;
    const Integer revision = App.Revision;
    lblVersion.Caption = "Version: " + CStr(major) + "." + CStr(minor) + "." + CStr(revision);
    if (EditionCode != "I") {
        lblWarn.Visible = false;
        cmdType[9].Visible = false;
    }
    LoadModelTable(lstMain);
}

void MainMenuForm::cmdType_Click(Integer Index)
{
    // Every press gives a freshly loaded search window, also for the category already shown.
    Unload(frmSearch);
    CategoryIndex = Index;
    frmSearch->Show();
}

void MainMenuForm::cmdExit_Click()
{
    Unload(*this);
}

void MainMenuForm::Form_QueryUnload(Integer &, Integer)
{
    // Closing the main menu, for whatever reason, takes the search window with it; the close is
    // never refused.
    Unload(frmSearch);
}
