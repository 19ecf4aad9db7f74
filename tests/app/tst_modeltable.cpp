// Loading the built-in model table into lstMain. The table's own figures (row counts, shapes,
// order, blank fields) are checked on the data file by tools/check_model_table.py; here, that
// start-up loads exactly those rows in their order, and how LoadModelTable appends.
#include "TestSupport.h"

#include "ModelTableData.h"

using namespace forms;

class ModelTableLoading : public QObject
{
    Q_OBJECT

private slots:
    void startUpLoadsEveryRowInTableOrder()
    {
        ProgramScope scope;
        ListBox &lstMain = frmMain->lstMain;
        QCOMPARE(lstMain.ListCount(), Integer(ModelTableRowCount));
        for (Integer k = 0; k < lstMain.ListCount(); ++k)
            QCOMPARE(lstMain.List(k), QString::fromUtf16(ModelTableRows[k]));
    }

    // LoadModelTable appends; it neither clears nor checks. A failing append stops it there.
    void loadingAgainAppendsSecondCopy()
    {
        ProgramScope scope;
        ListBox &list = frmProbe->lst;
        LoadModelTable(list);
        LoadModelTable(list);
        QCOMPARE(list.ListCount(), Integer(2 * ModelTableRowCount));
        QCOMPARE(list.List(ModelTableRowCount), QString::fromUtf16(ModelTableRows[0]));
    }

    void failingAppendStopsLoadingAndKeepsRowsBefore()
    {
        ProgramScope scope;
        ListBox &list = frmProbe->lst;
        for (int i = 0; i < 32767 - 10; ++i)
            list.AddItem("filler");
        QCOMPARE(errorOf([&] { LoadModelTable(list); }), int(ErrListFull));
        QCOMPARE(list.ListCount(), Integer(32767));
        QCOMPARE(list.List(32757), QString::fromUtf16(ModelTableRows[0]));
        QCOMPARE(list.List(32766), QString::fromUtf16(ModelTableRows[9]));
    }
};

MXR_TEST_MAIN(ModelTableLoading)
#include "tst_modeltable.moc"
