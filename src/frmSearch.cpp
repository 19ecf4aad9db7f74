#include "frmSearch.h"

#include "Edition.h"
#include "ModelTable.h"
#include "frmMain.h"

using namespace forms;

GlobalForm<SearchForm> frmSearch;

namespace {

// A lookup entry: the value, filler spaces up to character 80, and from character 81 on the
// index of the value's record in lstMain.
String LookupEntry(const String &value, Long filler, Integer index)
{
    return value % Space(filler) % CStr(index);
}

} // namespace

SearchForm::SearchForm() : Form("frmSearch")
{
    setClientSize(7035, 4770);
    setBackColor({224, 224, 224});
    setPicture(":/banner.bmp");
    setIcon(":/search.ico");

    // clang-format off
    //                         left   top  width height  tab
    lblSearch.Place(            375,  600, 2340,  240,   12);
    cboSearch[0].Place(         300,  900, 2535,  315,    0);
    lblSTev.Place(              300, 1275,  555,  180,   10);
    cboSearch[1].Place(         300, 1500, 2535,  315,   21);
    lblSDun.Place(              330, 1950,  555,  180,    9);
    cboSearch[2].Place(         300, 2175, 2535,  315,   22);
    lblSBre.Place(              300, 2625,  825,  195,    8);
    cboSearch[3].Place(         300, 2850, 2535,  315,   23);
    lblSOst.Place(              300, 3300,  570,  180,   11);
    cboSearch[4].Place(         300, 3525, 2535,  315,   24);
    Label2.Place(              4050, 1050,  600,  225,    2);
    txtTev.Place(              4950,  975, 1965,  285,   14);
    Label3.Place(              4050, 1500,  555,  180,    3);
    txtDun.Place(              4950, 1425, 1965,  285,   15);
    Label4.Place(              4050, 1950,  780,  180,    4);
    txtBre.Place(              4950, 1875, 1965,  285,   16);
    Label5.Place(              4050, 2400,  555,  180,    5);
    txtOst.Place(              4950, 2325, 1965,  285,   17);
    Label6.Place(              4050, 2850,  765,  180,    6);
    txtProd.Place(             4950, 2775, 1965,  285,   18);
    Label1.Place(              4050, 3300,  765,  195,   13);
    txtGroup.Place(            4950, 3225, 1965,  285,   19);
    lblLName.Place(            4050, 3750,  825,  225,    7);
    txtName.Place(             4950, 3675, 1965,  285,   20);
    cmdMM.Place(               5700, 4275, 1215,  375,    1);
    // clang-format on

    lblSTev.Caption = "Tevra";
    lblSDun.Caption = "Dunel";
    lblSBre.Caption = "Brevikant";
    lblSOst.Caption = "Ostrum";
    Label2.Caption = "Tevra";
    Label3.Caption = "Dunel";
    Label4.Caption = "Brevikant";
    Label5.Caption = "Ostrum";
    Label6.Caption = "Prod Code";
    Label1.Caption = "Group";
    lblLName.Caption = "Dev Name";
    cmdMM.Caption = "&Main Menu";

    // The lists show only the value of an entry, never its record index.
    for (Integer i = 0; i < cboSearch.Count(); ++i)
        cboSearch[i].setVisibleLength(80);
    lblSearch.setLabelFor(cboSearch[0]);
    lblSTev.setLabelFor(cboSearch[1]);
    lblSDun.setLabelFor(cboSearch[2]);
    lblSBre.setLabelFor(cboSearch[3]);
    lblSOst.setLabelFor(cboSearch[4]);
    Label2.setLabelFor(txtTev);
    Label3.setLabelFor(txtDun);
    Label4.setLabelFor(txtBre);
    Label5.setLabelFor(txtOst);
    Label6.setLabelFor(txtProd);
    Label1.setLabelFor(txtGroup);
    lblLName.setLabelFor(txtName);
    applyTabOrder();

    cboSearch.OnDropDown(this, &SearchForm::cboSearch_DropDown);
    cboSearch.OnClick(this, &SearchForm::cboSearch_Click);
    cmdMM.OnClick(this, &SearchForm::cmdMM_Click);
}

void SearchForm::Form_Load()
{
    // Whatever fails ends the set-up here without a message; what was done stays, and the
    // window is shown with it.
    try {
        Left = 10;
        Top = 10;
        if (EditionCode != "I") {
            lblLName.Visible = false;
            txtName.Visible = false;
        }
        if (CategoryIndex >= 0 && CategoryIndex <= 7) {
            LoadBrandLists(TypeGroups[CategoryIndex].code);
        } else if (CategoryIndex == 8 || CategoryIndex == 9) {
            LoadSingleList(CategoryIndex);
        } else {
            // No such category: offer no list at all rather than empty ones, and leave the
            // caption empty. The user goes back with Main Menu.
            lblSearch.Visible = false;
            lblSTev.Visible = false;
            lblSDun.Visible = false;
            lblSBre.Visible = false;
            lblSOst.Visible = false;
            for (Integer i = 0; i <= 4; ++i)
                cboSearch[i].Visible = false;
        }
    } catch (const Error &) {
    }
}

// Categories 0-7: one list per brand of the model names of one type code.
void SearchForm::LoadBrandLists(const String &typeCode)
{
    lblSearch.Visible = false;
    cboSearch[0].Visible = false;
    for (Integer i = 1; i <= 4; ++i)
        cboSearch[i].Clear();

    ListBox &lstMain = frmMain->lstMain;
    const Integer last = CheckedSub(lstMain.ListCount(), Integer(1));
    for (Integer i = 0; i <= last; i = CheckedAdd(i, Integer(1))) {
        strRecord = lstMain.List(i);
        strType = MidView(strRecord, 121);
        if (strType.value() != typeCode)
            continue;
        strTev = MidView(strRecord, 11);
        if (!IsBlank(strTev))
            cboSearch[1].AddItem(LookupEntry(strTev, 60, i));
        strDun = MidView(strRecord, 31);
        if (!IsBlank(strDun))
            cboSearch[2].AddItem(LookupEntry(strDun, 60, i));
        strBre = MidView(strRecord, 51);
        if (!IsBlank(strBre))
            cboSearch[3].AddItem(LookupEntry(strBre, 60, i));
        strOst = MidView(strRecord, 71);
        if (!IsBlank(strOst))
            cboSearch[4].AddItem(LookupEntry(strOst, 60, i));
    }
    Caption = GroupName(typeCode);
}

// Categories 8 and 9: one list over all records, of product codes or of development names.
void SearchForm::LoadSingleList(Long category)
{
    lblSTev.Visible = false;
    lblSDun.Visible = false;
    lblSBre.Visible = false;
    lblSOst.Visible = false;
    for (Integer i = 1; i <= 4; ++i)
        cboSearch[i].Visible = false;
    const String title = category == 8 ? "Product Code" : "Development Name";
    Caption = title;
    lblSearch.Caption = title;
    cboSearch[0].Clear();

    ListBox &lstMain = frmMain->lstMain;
    const Integer last = CheckedSub(lstMain.ListCount(), Integer(1));
    for (Integer i = 0; i <= last; i = CheckedAdd(i, Integer(1))) {
        strRecord = lstMain.List(i);
        strProd = MidView(strRecord, 1);
        strName = MidView(strRecord, 91);
        if (category == 8) {
            if (!IsBlank(strProd))
                cboSearch[0].AddItem(LookupEntry(strProd, 70, i));
        } else {
            if (!IsBlank(strName))
                cboSearch[0].AddItem(LookupEntry(strName, 50, i));
        }
    }
}

void SearchForm::cboSearch_DropDown(Integer)
{
    ClearFields();
}

void SearchForm::cboSearch_Click(Integer Index)
{
    // A text without a record index from character 81 on changes nothing.
    try {
        lngRecord = CLng(Mid(cboSearch[Index].Text, 81));
        ShowRecord();
        cboSearch[Index].Text = "";
    } catch (const Error &) {
    }
}

void SearchForm::cmdMM_Click()
{
    Unload(*this);
}

void SearchForm::ClearFields()
{
    txtTev.Text = "";
    txtDun.Text = "";
    txtBre.Text = "";
    txtOst.Text = "";
    txtProd.Text = "";
    txtGroup.Text = "";
    txtName.Text = "";
}

void SearchForm::ShowRecord()
{
    // A record index that does not fit 16 bits, or a row the table does not hold, leaves the
    // fields and boxes as they were. Every field shows its whole fixed width.
    try {
        ListBox &lstMain = frmMain->lstMain;
        strRecord = lstMain.List(CInt(lngRecord));
        strProd = Mid(strRecord, 1);
        strTev = Mid(strRecord, 11);
        strDun = Mid(strRecord, 31);
        strBre = Mid(strRecord, 51);
        strOst = Mid(strRecord, 71);
        strName = Mid(strRecord, 91);
        strType = Mid(strRecord, 121);
        txtTev.Text = strTev;
        txtDun.Text = strDun;
        txtBre.Text = strBre;
        txtOst.Text = strOst;
        txtProd.Text = strProd;
        txtName.Text = strName;
        txtGroup.Text = GroupName(strType);
    } catch (const Error &) {
    }
}
