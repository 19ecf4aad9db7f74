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

    forms::Label lblSearch{this};
    forms::ControlArray<forms::ComboBox> cboSearch{this, 5};
    forms::Label lblSTev{this};
    forms::Label lblSDun{this};
    forms::Label lblSBre{this};
    forms::Label lblSOst{this};
    forms::Label Label2{this};
    forms::TextBox txtTev{this};
    forms::Label Label3{this};
    forms::TextBox txtDun{this};
    forms::Label Label4{this};
    forms::TextBox txtBre{this};
    forms::Label Label5{this};
    forms::TextBox txtOst{this};
    forms::Label Label6{this};
    forms::TextBox txtProd{this};
    forms::Label Label1{this};
    forms::TextBox txtGroup{this};
    forms::Label lblLName{this};
    forms::TextBox txtName{this};
    forms::CommandButton cmdMM{this};

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
