// The search window: its set-up for every category, the lookup entries, picks and the record
// display, the failure paths, both editions, and its focus order.
#include "TestSupport.h"

#include "Edition.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

using namespace forms;

namespace {

using records::GroupNames;
using records::TypeCodes;

// The order a sorted list must keep: letters compared without case, then by character code.
bool listOrder(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

QStringList sorted(QStringList entries)
{
    std::sort(entries.begin(), entries.end(), listOrder);
    return entries;
}

// What a list of these entries shows: their names, in the list's order.
QStringList shownNames(const QStringList &entries)
{
    QStringList names;
    for (const QString &entry : sorted(entries))
        names << records::visibleName(entry);
    return names;
}

SearchForm &openCategory(int category)
{
    click(frmMain->cmdType[Integer(category)]);
    return frmSearch.instance();
}

} // namespace

class SearchWindow : public QObject
{
    Q_OBJECT

private slots:
    // ---- set-up ----

    // Four brand lists of the records of one type code, or one list over all records.
    void listsHoldEveryNamedValue_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("caption");
        for (int k = 0; k < 8; ++k)
            QTest::newRow(qPrintable(GroupNames[k])) << k << GroupNames[k];
        QTest::newRow("product code") << 8 << "Product Code";
        QTest::newRow("development name") << 9 << "Development Name";
    }
    void listsHoldEveryNamedValue()
    {
        QFETCH(int, category);
        QFETCH(QString, caption);
        ProgramScope scope;
        const QStringList rows = tableRows();
        SearchForm &f = openSearchFor(category);
        QCOMPARE(f.Caption.value(), caption);
        const bool single = category >= 8;
        const std::vector<QStringList> lists = records::lookupEntries(rows, category);
        for (Integer list = 0; list <= 4; ++list) {
            QCOMPARE(shownEntries(f.cboSearch[list]), shownNames(lists[size_t(list)]));
            QCOMPARE(f.cboSearch[list].widget()->isVisible(), (list == 0) == single);
        }
        QCOMPARE(f.lblSearch.widget()->isVisible(), single);
        if (single)
            QCOMPARE(f.lblSearch.Caption.value(), caption);
        for (Label *l : {&f.lblSTev, &f.lblSDun, &f.lblSBre, &f.lblSOst})
            QCOMPARE(l->widget()->isVisible(), !single);
    }

    void entryFormatPutsIndexAtPosition81()
    {
        ProgramScope scope;
        QStringList rows = {
                records::record("A100", "Twenty Characters Xy", "DN 6", "", "", "", "FAX"),
                records::record("A101", " Lead", "", "", "", "", "FAX"),
        };
        while (rows.size() < 100)
            rows << records::record("B1", "", "", "", "", "", "PRT");
        rows << records::record("D1", "Late", "", "", "", "", "FAX");
        fillTable(rows);
        SearchForm &f = openSearchFor(3);
        QCOMPARE(shownEntries(f.cboSearch[1]),
                 (QStringList{" Lead", "Late", "Twenty Characters Xy"}));
        QCOMPARE(shownEntries(f.cboSearch[2]), QStringList{"DN 6"});
        // Each entry finds its record, also by an index of three digits.
        QVERIFY(showActive(f));
        const int records[] = {1, 100, 0};
        for (int row = 0; row < 3; ++row) {
            pick(f.cboSearch[1], row);
            QCOMPARE(boxes(f), recordBoxes(rows[records[row]]));
        }
    }

    void blankColumnLeavesOnlyThatListOut()
    {
        ProgramScope scope;
        fillTable({
                records::record("P1", "T-1", "", "Printira 1", "OP 1", "", "PRT"),
                records::record("P2", "T-2", "DN 2", "", "OP 2", "", "PRT"),
                records::record("P3", "T-3", "", "Printira 3", "", "", "PRT"),
        });
        SearchForm &f = openSearchFor(4);
        QCOMPARE(shownEntries(f.cboSearch[1]), (QStringList{"T-1", "T-2", "T-3"}));
        QCOMPARE(shownEntries(f.cboSearch[2]), QStringList{"DN 2"});
        QCOMPARE(shownEntries(f.cboSearch[3]), (QStringList{"Printira 1", "Printira 3"}));
        QCOMPARE(shownEntries(f.cboSearch[4]), (QStringList{"OP 1", "OP 2"}));
    }

    void brandBlankInEveryRecordGivesEmptyListWithLabel()
    {
        ProgramScope scope;
        fillTable({
                records::record("S1", "S-1", "", "", "OS 1", "", "SCN"),
                records::record("S2", "S-2", "", "", "", "", "SCN"),
        });
        SearchForm &f = openSearchFor(6);
        QVERIFY(shownEntries(f.cboSearch[2]).isEmpty());
        QVERIFY(shownEntries(f.cboSearch[3]).isEmpty());
        QVERIFY(f.lblSDun.widget()->isVisible());
        QVERIFY(f.cboSearch[2].widget()->isVisible());
    }

    void typeWithoutRecordsStillSetsCaption()
    {
        ProgramScope scope;
        fillTable({records::record("A1", "K-1", "", "", "", "", "ANL")});
        SearchForm &f = openSearchFor(7);
        QCOMPARE(f.Caption.value(), QString("Wide Format"));
        for (Integer list = 1; list <= 4; ++list)
            QVERIFY(shownEntries(f.cboSearch[list]).isEmpty());
    }

    void emptyTableGivesEmptyListsAndCaptions_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("caption");
        QTest::newRow("brand lists") << 5 << "Stelmar";
        QTest::newRow("product codes") << 8 << "Product Code";
        QTest::newRow("development names") << 9 << "Development Name";
    }
    void emptyTableGivesEmptyListsAndCaptions()
    {
        QFETCH(int, category);
        QFETCH(QString, caption);
        ProgramScope scope;
        fillTable({});
        SearchForm &f = openSearchFor(category);
        QCOMPARE(f.Caption.value(), caption);
        for (Integer list = 0; list <= 4; ++list)
            QVERIFY(shownEntries(f.cboSearch[list]).isEmpty());
        QVERIFY(scope.errors.empty());
    }

    void largestTableFillsListsAndPicksLastRecord()
    {
        ProgramScope scope;
        QStringList rows;
        for (int i = 0; i < 32767; ++i)
            rows << records::record(QString("K%1").arg(i, 5, 10, QChar('0')),
                                    QString("K-%1").arg(i % 1000), QString("DN %1").arg(i),
                                    QString("Kopira %1").arg(i % 7), "OA 1",
                                    QString("Tern %1").arg(i % 300), "ANL");
        fillTable(rows);
        SearchForm &f = openSearchFor(0);
        for (Integer list = 1; list <= 4; ++list)
            QCOMPARE(shownEntries(f.cboSearch[list]).size(), rows.size());
        QVERIFY(showActive(f));
        // Every record has the same Ostrum name: ordered by the index as text, 9999 comes last.
        pick(f.cboSearch[4], int(rows.size()) - 1);
        QCOMPARE(boxes(f), recordBoxes(rows[9999]));
        pick(f.cboSearch[2], int(shownEntries(f.cboSearch[2]).indexOf("DN 32766")));
        QCOMPARE(boxes(f), recordBoxes(rows[32766]));
    }

    void unknownCategoryOffersNoList_data()
    {
        QTest::addColumn<Long>("category");
        QTest::newRow("ten") << Long(10);
        QTest::newRow("minus one") << Long(-1);
        QTest::newRow("far out") << Long(2147483647);
    }
    void unknownCategoryOffersNoList()
    {
        QFETCH(Long, category);
        ProgramScope scope;
        SearchForm &f = openSearchFor(category);
        QVERIFY(f.widget()->isVisible());
        QCOMPARE(f.Caption.value(), QString());
        for (Integer list = 0; list <= 4; ++list) {
            QVERIFY(f.cboSearch[list].widget()->isHidden());
            QVERIFY(shownEntries(f.cboSearch[list]).isEmpty());
        }
        for (Label *l : {&f.lblSearch, &f.lblSTev, &f.lblSDun, &f.lblSBre, &f.lblSOst})
            QVERIFY(l->widget()->isHidden());
        QVERIFY(f.cmdMM.widget()->isVisible());
        QVERIFY(scope.errors.empty());
    }

    // ---- picks and the record display ----

    void pickFromEveryListShowsItsRecord_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("list");
        QTest::addColumn<bool>("byMouse");
        for (int k = 0; k < 8; ++k) {
            for (int list = 1; list <= 4; ++list) {
                if ((k == 0 && list == 4) || (k == 6 && (list == 2 || list == 3)))
                    continue; // empty in the shipped table
                QTest::addRow("%s list %d", qPrintable(GroupNames[k]), list)
                        << k << list << ((k + list) % 2 == 0);
            }
        }
        QTest::newRow("product code") << 8 << 0 << true;
        QTest::newRow("development name") << 9 << 0 << false;
    }
    void pickFromEveryListShowsItsRecord()
    {
        QFETCH(int, category);
        QFETCH(int, list);
        QFETCH(bool, byMouse);
        ProgramScope scope;
        const QStringList rows = tableRows();
        SearchForm &f = openSearchFor(category);
        QVERIFY(showActive(f));
        ComboBox &box = f.cboSearch[Integer(list)];
        const QStringList entries = sorted(records::lookupEntries(rows, category)[size_t(list)]);
        QVERIFY(!entries.isEmpty());
        for (int row : {0, int(entries.size()) / 2, int(entries.size()) - 1}) {
            pick(box, row, byMouse);
            QCOMPARE(boxes(f), recordBoxes(rows[entries[row].mid(80).toInt()]));
            QCOMPARE(comboOf(box)->lineEdit()->text(), QString());
            QCOMPARE(shownEntries(box).size(), entries.size());
        }
    }

    void recordsSharingNameShowOwnRecords()
    {
        ProgramScope scope;
        QStringList rows = {
                records::record("A1", "K-2530", "DN 1253", "", "", "Tern", "ANL"),
                records::record("A2", "K-2530", "DN 1254", "", "", "Tern II", "ANL"),
                records::record("A3", "K-2530", "DN 1255", "", "", "Tern III", "ANL"),
        };
        while (rows.size() < 120)
            rows << records::record("B", "", "", "", "", "", "FAX");
        rows << records::record("A4", "K-2530", "DN 1256", "", "", "Tern IV", "ANL");
        fillTable(rows);
        SearchForm &f = openSearchFor(0);
        QVERIFY(showActive(f));
        QCOMPARE(shownEntries(f.cboSearch[1]), QStringList(4, "K-2530"));
        // Same name: ordered by the index as text, so 120 comes before 2.
        const int records[] = {0, 1, 120, 2};
        for (int row = 0; row < 4; ++row) {
            pick(f.cboSearch[1], row);
            QCOMPARE(boxes(f), recordBoxes(rows[records[row]]));
        }
        pick(f.cboSearch[1], 3); // the same entry again shows the same record
        QCOMPARE(boxes(f), recordBoxes(rows[2]));
    }

    void boxesShowWholeFixedWidths()
    {
        ProgramScope scope;
        fillTable({records::record("K12", "", "DN 2", "", "", "", "STM")});
        SearchForm &f = openSearchFor(8);
        QVERIFY(showActive(f));
        pick(f.cboSearch[0], 0);
        QCOMPARE(f.txtProd.Text.value(), "K12" + Space(7));
        QCOMPARE(f.txtTev.Text.value(), Space(20));
        QCOMPARE(f.txtDun.Text.value(), "DN 2" + Space(16));
        QCOMPARE(f.txtName.Text.value(), Space(30)); // filled also when hidden
        QCOMPARE(f.txtGroup.Text.value(), QString("Stelmar"));
        // What is copied is the value the user sees, without its filler.
        for (TextBox *box : {&f.txtProd, &f.txtTev}) {
            box->widget()->setFocus();
            QTest::keyClick(box->widget(), Qt::Key_A, Qt::ControlModifier);
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(box->widget(), Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), records::rtrim(box->Text));
        }
    }

    void openingAnyListClearsBoxes()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(4);
        QVERIFY(showActive(f));
        pick(f.cboSearch[1], 0);
        QVERIFY(!f.txtTev.Text.value().isEmpty());
        f.txtOst.Text = "typed by the user";
        QComboBox *other = comboOf(f.cboSearch[3]);
        other->setFocus();
        QTest::keyClick(other, Qt::Key_F4);
        QTRY_VERIFY(other->view()->isVisible());
        QCOMPARE(boxes(f), Boxes{});
        QTest::keyClick(other->view(), Qt::Key_Escape);
        QTRY_VERIFY(!other->view()->isVisible());
        QCOMPARE(boxes(f), Boxes{});
    }

    void typedTextAndEnterChangeNothing()
    {
        ProgramScope scope;
        const QStringList rows = tableRows();
        SearchForm &f = openSearchFor(8);
        QVERIFY(showActive(f));
        pick(f.cboSearch[0], 5);
        const Boxes before = boxes(f);
        const QStringList listed = shownEntries(f.cboSearch[0]);
        QComboBox *combo = comboOf(f.cboSearch[0]);
        combo->setFocus();
        const QString typed = rows[7].left(4);
        QTest::keyClicks(combo->lineEdit(), typed);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QTest::keyClick(combo, Qt::Key_Tab); // and leave the field
        QCOMPARE(boxes(f), before);
        QCOMPARE(shownEntries(f.cboSearch[0]), listed);
        QCOMPARE(combo->lineEdit()->text(), typed);
    }

    void clickWithoutIndexChangesNothing_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("shorter than 81") << "just a name";
        QTest::newRow("letters from 81") << records::fixed("K-1", 80) + "12a";
        QTest::newRow("beyond 32 bits") << records::fixed("K-1", 80) + "99999999999";
    }
    void clickWithoutIndexChangesNothing()
    {
        QFETCH(QString, entry);
        ProgramScope scope;
        SearchForm &f = openSearchFor(0);
        QVERIFY(showActive(f));
        pick(f.cboSearch[1], 0);
        const Boxes shown = boxes(f);
        f.cboSearch[2].Clear();
        f.cboSearch[2].AddItem(entry);
        QComboBox *combo = comboOf(f.cboSearch[2]);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down); // picks it without opening the list
        QCOMPARE(boxes(f), shown);
        QCOMPARE(f.cboSearch[2].Text.value(), entry); // the edit field is left as it was
        QVERIFY(scope.errors.empty());
    }

    void unreadableRecordKeepsBoxesButEmptiesField_data()
    {
        QTest::addColumn<QString>("index");
        QTest::newRow("beyond the table") << "500";
        QTest::newRow("beyond 16 bits") << "40000";
        QTest::newRow("negative") << "-1";
        QTest::newRow("last plus one") << QString::number(ModelTableRowCount);
    }
    void unreadableRecordKeepsBoxesButEmptiesField()
    {
        QFETCH(QString, index);
        ProgramScope scope;
        SearchForm &f = openSearchFor(0);
        QVERIFY(showActive(f));
        pick(f.cboSearch[1], 1);
        const Boxes shown = boxes(f);
        f.cboSearch[2].Clear();
        f.cboSearch[2].AddItem(records::fixed("Ghost", 80) + index);
        QComboBox *combo = comboOf(f.cboSearch[2]);
        combo->setFocus();
        f.cboSearch[2].Text = "typed";
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(boxes(f), shown);
        QCOMPARE(combo->lineEdit()->text(), QString()); // the pick went on and emptied it
        QVERIFY(scope.errors.empty());
    }

    void shortRowGivesBlankFieldsBeyondItsEnd()
    {
        ProgramScope scope;
        fillTable({records::record("A1", "K-1", "", "", "", "", "ANL"), "A2        K-2       DN"});
        SearchForm &f = openSearchFor(8);
        QVERIFY(showActive(f));
        pick(f.cboSearch[0], int(shownEntries(f.cboSearch[0]).indexOf("A2")));
        QCOMPARE(f.txtProd.Text.value(), records::fixed("A2", 10));
        QCOMPARE(f.txtTev.Text.value(), records::fixed("K-2       DN", 20));
        QCOMPARE(f.txtDun.Text.value(), Space(20));
        QCOMPARE(f.txtName.Text.value(), Space(30));
        QCOMPARE(f.txtGroup.Text.value(), QString());
    }

    void groupNameOfTypeCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("group");
        for (int k = 0; k < 8; ++k)
            QTest::newRow(qPrintable(TypeCodes[k])) << TypeCodes[k] << GroupNames[k];
        QTest::newRow("lower case") << "stm"
                                    << "";
        QTest::newRow("three spaces") << "   "
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("trailing space") << "STM "
                                        << "";
        QTest::newRow("unknown") << "XYZ"
                                 << "";
    }
    void groupNameOfTypeCode()
    {
        QFETCH(QString, code);
        QFETCH(QString, group);
        QCOMPARE(GroupName(code), group);
    }

    void mainMenuButtonUnloadsOnlySearchWindow()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        SearchForm &f = openCategory(1);
        QVERIFY(showActive(f));
        QTest::keyClick(f.widget(), 'M', Qt::AltModifier);
        QTRY_VERIFY(!frmSearch.loadedOrNull());
        QVERIFY(frmMain.loadedOrNull());
        QVERIFY(frmMain->widget()->isVisible());
        QVERIFY(!HasEnded());
        SearchForm &again = openCategory(2);
        click(again.cmdMM);
        QVERIFY(!frmSearch.loadedOrNull());
        QVERIFY(frmMain.loadedOrNull());
    }

    // Qt's style keeps what it draws for a list or a button, keyed by the palette it drew
    // with. A window that draws its controls with palettes of their own would add the same
    // drawings again every time a category is chosen, and the program would grow all day: each
    // new window's controls draw with the palette of the last one's.
    void newWindowDrawsFromWhatTheLastOneCached()
    {
        ProgramScope scope;
        auto keys = [](SearchForm &f) {
            return QList<qint64>{f.widget()->palette().cacheKey(),
                                 comboOf(f.cboSearch[1])->palette().cacheKey(),
                                 f.cmdMM.widget()->palette().cacheKey(),
                                 f.txtTev.widget()->palette().cacheKey()};
        };
        const QList<qint64> first = keys(openSearchFor(6));
        QCOMPARE(keys(openSearchFor(6)), first);
        QCOMPARE(keys(openSearchFor(2)), first);
    }

    // ---- focus ----

    void focusAndTabOrder_data()
    {
        QTest::addColumn<int>("category");
        QTest::newRow("brand lists") << 2;
        QTest::newRow("single list") << 8;
    }
    // Only the internal edition shows the development name, and only there is it in the order.
    void focusAndTabOrder()
    {
        QFETCH(int, category);
        ProgramScope scope;
        SearchForm &f = openSearchFor(category);
        QVERIFY(showActive(f));
        QCOMPARE(f.lblLName.widget()->isVisible(), internalEdition());
        QCOMPARE(f.txtName.widget()->isVisible(), internalEdition());
        QList<Control *> expected;
        if (category >= 8)
            expected << &f.cboSearch[0];
        expected << &f.cmdMM << &f.txtTev << &f.txtDun << &f.txtBre << &f.txtOst << &f.txtProd
                 << &f.txtGroup;
        if (internalEdition())
            expected << &f.txtName;
        if (category < 8)
            expected << &f.cboSearch[1] << &f.cboSearch[2] << &f.cboSearch[3] << &f.cboSearch[4];
        expected << expected.first();
        auto focused = [] {
            QWidget *w = QApplication::focusWidget();
            return qobject_cast<QComboBox *>(w->parentWidget()) ? w->parentWidget() : w;
        };
        QCOMPARE(focused(), expected[0]->widget());
        for (int step = 1; step < expected.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(focused() == expected[step]->widget(), qPrintable(QString::number(step)));
        }
    }
};

MXR_TEST_MAIN(SearchWindow)
#include "tst_search.moc"
