// The search window: the lookup tool for one category. Its load fills the lookup lists from the
// model table, either four brand lists of one type code or one list of product codes or
// development names over all records; a pick shows the record's seven fields.
//
// A lookup entry is the visible value cut to its field's width (10, 20 or 30 characters), filler
// spaces up to character 80, and from character 81 on the record's table index in decimal. The
// lists show only the value; the index is how a pick finds its record again.
#pragma once

#include "forms/Controls.h"

class SearchForm : public forms::Form
{
public:
    SearchForm();

    forms::Label lblSearch{this, "lblSearch"};
    forms::ControlArray<forms::ComboBox> cboSearch{this, 5, "cboSearch"};
    forms::Label lblSTev{this, "lblSTev"};
    forms::Label lblSDun{this, "lblSDun"};
    forms::Label lblSBre{this, "lblSBre"};
    forms::Label lblSOst{this, "lblSOst"};
    forms::Label Label2{this, "Label2"};
    forms::TextBox txtTev{this, "txtTev"};
    forms::Label Label3{this, "Label3"};
    forms::TextBox txtDun{this, "txtDun"};
    forms::Label Label4{this, "Label4"};
    forms::TextBox txtBre{this, "txtBre"};
    forms::Label Label5{this, "Label5"};
    forms::TextBox txtOst{this, "txtOst"};
    forms::Label Label6{this, "Label6"};
    forms::TextBox txtProd{this, "txtProd"};
    forms::Label Label1{this, "Label1"};
    forms::TextBox txtGroup{this, "txtGroup"};
    forms::Label lblLName{this, "lblLName"};
    forms::TextBox txtName{this, "txtName"};
    forms::CommandButton cmdMM{this, "cmdMM"};

protected:
    void Form_Load() override;

private:
    void LoadBrandLists(const forms::String &typeCode);
    void LoadSingleList(forms::Long category);
    void cboSearch_DropDown(forms::Integer Index);
    void cboSearch_Click(forms::Integer Index);
    void cmdMM_Click();
    void ClearFields();
    void ShowRecord();

    // Working fields: the record being read and its fields, and the index of the record picked.
    forms::FixedString<10> strProd;
    forms::FixedString<20> strTev;
    forms::FixedString<20> strDun;
    forms::FixedString<20> strBre;
    forms::FixedString<20> strOst;
    forms::FixedString<30> strName;
    forms::FixedString<3> strType;
    forms::Long lngRecord = 0;
    forms::String strRecord;
};

extern forms::GlobalForm<SearchForm> frmSearch;
