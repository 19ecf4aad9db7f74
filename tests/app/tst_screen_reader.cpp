// What a screen reader is told about the program's windows: names, roles and values of every
// control, that hidden controls are neither reachable nor pressable, that a lookup list speaks
// only the visible names of its entries, and that access keys are always underlined.
#include "TestSupport.h"

#include "Edition.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

using namespace forms;

namespace {

QAccessibleInterface *accessibleOf(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QAccessibleInterface *accessibleOf(Control &control)
{
    return accessibleOf(control.widget());
}

QList<QAccessibleInterface *> childrenOf(QAccessibleInterface *iface)
{
    QList<QAccessibleInterface *> children;
    for (int i = 0; i < iface->childCount(); ++i)
        children << iface->child(i);
    return children;
}

// The role and name of each child, as "role:name".
QStringList describeChildren(QAccessibleInterface *iface)
{
    QStringList described;
    for (QAccessibleInterface *child : childrenOf(iface)) {
        if (!child) {
            described << "<null>";
            continue;
        }
        described << QString("%1:%2").arg(int(child->role())).arg(child->text(QAccessible::Name));
    }
    return described;
}

QString item(QAccessible::Role role, const QString &name)
{
    return QString("%1:%2").arg(int(role)).arg(name);
}

// iface and everything beneath it; a missing child shows as nullptr.
QList<QAccessibleInterface *> subtree(QAccessibleInterface *iface, int depth = 0)
{
    QList<QAccessibleInterface *> nodes{iface};
    if (!iface || depth > 12)
        return nodes;
    for (int i = 0; i < iface->childCount(); ++i)
        nodes << subtree(iface->child(i), depth + 1);
    return nodes;
}

// Every text a screen reader may read of an interface.
QStringList spokenTexts(QAccessibleInterface *iface)
{
    QStringList texts;
    for (QAccessible::Text t : {QAccessible::Name, QAccessible::Value, QAccessible::Description,
                                QAccessible::Help, QAccessible::Accelerator})
        texts << iface->text(t);
    if (QAccessibleTextInterface *text = iface->textInterface())
        texts << text->text(0, text->characterCount());
    return texts;
}

// Fails when any text at or beneath iface shows filler spaces or is longer than a model name.
void verifyNoFillerOrIndex(QAccessibleInterface *iface, const QString &where)
{
    static const QRegularExpression filler(QStringLiteral("\\s{2,}|\\s$"));
    for (QAccessibleInterface *node : subtree(iface)) {
        QVERIFY2(node, qPrintable(where + ": a child is missing"));
        for (const QString &text : spokenTexts(node)) {
            QVERIFY2(!text.contains(filler),
                     qPrintable(QString("%1: filler spaces in \"%2\"").arg(where, text)));
            QVERIFY2(text.size() <= 30,
                     qPrintable(QString("%1: more than a name in \"%2\"").arg(where, text)));
        }
    }
}

} // namespace

class Accessibility : public QObject
{
    Q_OBJECT

private slots:
    // ---- main menu ----

    void mainMenuIsAWindowNamedByItsCaption()
    {
        ProgramScope scope;
        frmMain->Show();
        QAccessibleInterface *window = accessibleOf(frmMain->widget());
        QVERIFY(window);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name),
                 QString("Tevra Corporation - Model Cross Reference"));
        // The red warning is part of what the window says when it opens.
        QCOMPARE(window->text(QAccessible::Description),
                 internalEdition() ? "Internal Use Only Do Not Distribute" : "");
    }

    void mainMenuPresentsItsShownControls()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QStringList expected;
        for (const char *name : {"Analog", "Digital", "Digital Color", "Facsimile", "Printer",
                                 "Stelmar", "Scanner", "Wide Format", "Product Code"})
            expected << item(QAccessible::Button, name);
        if (internalEdition())
            expected << item(QAccessible::Button, "Development Name");
        expected << item(QAccessible::Button, "Exit");
        if (internalEdition())
            expected << item(QAccessible::StaticText, "Internal Use Only Do Not Distribute");
        expected << item(QAccessible::StaticText, "Win 98 and up")
                 << item(QAccessible::StaticText, frmMain->lblVersion.Caption);
        QCOMPARE(describeChildren(accessibleOf(frmMain->widget())), expected);
    }

    void modelTableIsNotReachable()
    {
        // The hidden list that holds the table, development names and all, is no part of what
        // a screen reader sees.
        ProgramScope scope;
        frmMain->Show();
        const QList<QAccessibleInterface *> nodes = subtree(accessibleOf(frmMain->widget()));
        QVERIFY(nodes.size() > 10);
        for (QAccessibleInterface *node : nodes) {
            QVERIFY(node);
            QVERIFY(node->role() != QAccessible::List);
            QVERIFY(node->role() != QAccessible::ListItem);
        }
    }

    void categoryButtonsAnnounceTheirAccessKeys()
    {
        ProgramScope scope;
        frmMain->Show();
        const char *const keys = "ADCFPTSWUN";
        for (Integer i = 0; i < frmMain->cmdType.Count(); ++i) {
            QAccessibleInterface *button = accessibleOf(frmMain->cmdType[i]);
            QCOMPARE(button->role(), QAccessible::Button);
            // Qt writes the letter as the caption has it: "Alt+t" for "S&telmar".
            QCOMPARE(button->text(QAccessible::Accelerator).toUpper(),
                     QKeySequence(Qt::ALT | Qt::Key(keys[i]))
                             .toString(QKeySequence::NativeText)
                             .toUpper());
        }
        QCOMPARE(accessibleOf(frmMain->cmdExit)->text(QAccessible::Name), QString("Exit"));
        QCOMPARE(accessibleOf(frmMain->cmdExit)->text(QAccessible::Accelerator).toUpper(),
                 QKeySequence(Qt::ALT | Qt::Key_X).toString(QKeySequence::NativeText).toUpper());
    }

    void pressThroughAccessibilityOpensSearch()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QAccessibleInterface *scanner = accessibleOf(frmMain->cmdType[6]);
        QVERIFY(scanner->actionInterface());
        QVERIFY(scanner->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        scanner->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(frmSearch.loadedOrNull());
        QCOMPARE(frmSearch->Caption.value(), QString("Scanner"));
    }

    void developmentNameSearchIsNotReachableInExternalEdition()
    {
        if (internalEdition())
            QSKIP("the internal edition offers the Development Name search");
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QAccessibleInterface *window = accessibleOf(frmMain->widget());
        for (QAccessibleInterface *child : childrenOf(window))
            QVERIFY(child->text(QAccessible::Name) != "Development Name");
        // Even pressed directly, the hidden button opens nothing.
        press(frmMain->cmdType[9]);
        QVERIFY(!frmSearch.loadedOrNull());
    }

    void showingAndHidingAControlUpdatesTheWindow()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QAccessibleInterface *window = accessibleOf(frmMain->widget());
        const QStringList before = describeChildren(window);
        frmMain->cmdType[1].Visible = false;
        QStringList without = before;
        without.removeOne(item(QAccessible::Button, "Digital"));
        QCOMPARE(describeChildren(window), without);
        QCOMPARE(window->indexOfChild(accessibleOf(frmMain->cmdType[1])), -1);

        frmMain->cmdType[1].Visible = true;
        QCOMPARE(describeChildren(window), before);
        QCOMPARE(window->indexOfChild(accessibleOf(frmMain->cmdType[1])), 1);
        QCOMPARE(window->child(1)->object(), frmMain->cmdType[1].widget());
    }

    // The warning is text to a screen reader, also in the edition that hides it.
    void warningIsStaticText()
    {
        ProgramScope scope;
        frmMain->Show();
        QAccessibleInterface *warning = accessibleOf(frmMain->lblWarn);
        QCOMPARE(warning->role(), QAccessible::StaticText);
        QCOMPARE(warning->text(QAccessible::Name), QString("Internal Use Only Do Not Distribute"));
    }

    // ---- search window ----

    void brandWindowPresentsListsAndBoxes()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(6);
        QAccessibleInterface *window = accessibleOf(f.widget());
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), QString("Scanner"));
        QStringList expected;
        for (const char *name : {"Tevra", "Dunel", "Brevikant", "Ostrum"})
            expected << item(QAccessible::ComboBox, name);
        for (const char *name : {"Tevra", "Dunel", "Brevikant", "Ostrum"})
            expected << item(QAccessible::StaticText, name);
        for (const char *name : {"Tevra", "Dunel", "Brevikant", "Ostrum", "Prod Code", "Group"}) {
            expected << item(QAccessible::StaticText, name);
            expected << item(QAccessible::EditableText, name);
        }
        if (internalEdition()) {
            expected << item(QAccessible::StaticText, "Dev Name");
            expected << item(QAccessible::EditableText, "Dev Name");
        }
        expected << item(QAccessible::Button, "Main Menu");
        QCOMPARE(describeChildren(window), expected);
    }

    void singleListWindowPresentsOneList_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("name");
        QTest::newRow("product code") << 8 << "Product Code";
        QTest::newRow("development name") << 9 << "Development Name";
    }
    void singleListWindowPresentsOneList()
    {
        QFETCH(int, category);
        QFETCH(QString, name);
        ProgramScope scope;
        SearchForm &f = openSearchFor(category);
        QAccessibleInterface *window = accessibleOf(f.widget());
        QCOMPARE(window->text(QAccessible::Name), name);
        QStringList lists;
        for (QAccessibleInterface *child : childrenOf(window)) {
            if (child->role() == QAccessible::ComboBox)
                lists << child->text(QAccessible::Name);
        }
        QCOMPARE(lists, QStringList{name});
        QCOMPARE(describeChildren(window).first(), item(QAccessible::StaticText, name));
        QCOMPARE(window->child(1)->object(), f.cboSearch[0].widget());
    }

    void listKeepsItsLabelAsNameWhileTyping()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(6);
        QVERIFY(showActive(f));
        const char *const labels[] = {"", "Tevra", "Dunel", "Brevikant", "Ostrum"};
        for (Integer i = 1; i <= 4; ++i) {
            QComboBox *combo = comboOf(f.cboSearch[i]);
            QAccessibleInterface *list = accessibleOf(combo);
            QCOMPARE(list->role(), QAccessible::ComboBox);
            QCOMPARE(list->text(QAccessible::Name), QString(labels[i]));
            QCOMPARE(list->text(QAccessible::Value), QString());
            combo->setFocus();
            QTest::keyClicks(combo->lineEdit(), "S-12");
            QCOMPARE(list->text(QAccessible::Name), QString(labels[i]));
            QCOMPARE(list->text(QAccessible::Value), QString("S-12"));
            QVERIFY(list->state().editable);
        }
    }

    void recordBoxesAreNamedAndReadWithoutFiller()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(6);
        QVERIFY(showActive(f));
        pick(f.cboSearch[1], 2);
        QVERIFY(!records::rtrim(f.txtTev.Text).isEmpty()); // a record is shown
        const std::pair<TextBox *, const char *> boxes[] = {
                {&f.txtTev, "Tevra"},     {&f.txtDun, "Dunel"},      {&f.txtBre, "Brevikant"},
                {&f.txtOst, "Ostrum"},    {&f.txtProd, "Prod Code"}, {&f.txtGroup, "Group"},
                {&f.txtName, "Dev Name"},
        };
        for (const auto &[box, name] : boxes) {
            if (box == &f.txtName && !internalEdition())
                continue; // the external edition hides the development name
            // Read without the filler that pads the value in the box; an empty value is
            // called blank.
            const QString read = records::rtrim(box->Text);
            QAccessibleInterface *iface = accessibleOf(*box);
            QCOMPARE(iface->role(), QAccessible::EditableText);
            QCOMPARE(iface->text(QAccessible::Name), QString(name));
            QCOMPARE(iface->text(QAccessible::Value), read);
            QCOMPARE(iface->text(QAccessible::Description), read.isEmpty() ? "blank" : "");
            QAccessibleTextInterface *text = iface->textInterface();
            QVERIFY(text);
            QCOMPARE(text->text(0, text->characterCount()), read);
        }
        QAccessibleInterface *list = accessibleOf(f.cboSearch[1]);
        QCOMPARE(list->text(QAccessible::Value), QString());
    }

    void textBoxOffsetsStayWithinWhatIsRead()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(6);
        QVERIFY(showActive(f));
        f.txtTev.Text = "S-1515N             ";
        auto *edit = static_cast<QLineEdit *>(f.txtTev.widget());
        QAccessibleTextInterface *text = accessibleOf(f.txtTev)->textInterface();
        QCOMPARE(text->characterCount(), 7);
        // One run of attributes over the whole text: a run of no length makes a screen
        // reader cut the text short where it starts.
        int start = -1;
        int end = -1;
        text->attributes(6, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, 7));
        // Tab selects the whole box and puts the cursor at its end, in the filler.
        edit->selectAll();
        QCOMPARE(text->cursorPosition(), 7);
        QCOMPARE(text->selectionCount(), 1);
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, 7));
        edit->setSelection(10, 5);
        QCOMPARE(text->selectionCount(), 0); // only filler selected
        // Editing through the interface works on the box's own text at the same offsets.
        text->setCursorPosition(3);
        QCOMPARE(edit->cursorPosition(), 3);
        accessibleOf(f.txtTev)->editableTextInterface()->insertText(7, "X");
        QCOMPARE(f.txtTev.Text.value(), QString("S-1515NX             "));
        // What the user types is read whole, spaces and all.
        edit->setFocus();
        edit->setCursorPosition(8);
        QTest::keyClicks(edit, " 2");
        QCOMPARE(edit->text(), QString("S-1515NX 2             "));
        QCOMPARE(text->text(0, text->characterCount()), edit->text());
    }

    void listsSpeakOnlyVisibleNames_data()
    {
        QTest::addColumn<int>("category");
        for (int k = 0; k <= 9; ++k)
            QTest::newRow(qPrintable(QString("category %1").arg(k))) << k;
    }
    void listsSpeakOnlyVisibleNames()
    {
        QFETCH(int, category);
        if (category == 9 && !internalEdition())
            QSKIP("the external edition has no Development Name search");
        ProgramScope scope;
        SearchForm &f = openSearchFor(category);
        QVERIFY(showActive(f));
        const Integer first = category >= 8 ? 0 : 1;
        const Integer last = category >= 8 ? 0 : 4;
        for (Integer i = first; i <= last; ++i) {
            ComboBox &box = f.cboSearch[i];
            QAccessibleInterface *list = accessibleOf(box);
            const QString where = list->text(QAccessible::Name);
            QCOMPARE(list->childCount(), 2);
            QAccessibleInterface *entries = list->child(0);
            QCOMPARE(entries->role(), QAccessible::List);
            QCOMPARE(list->child(1)->object(), comboOf(box)->lineEdit());
            const QStringList shown = shownEntries(box);
            QCOMPARE(entries->childCount(), int(shown.size()));
            for (int row = 0; row < shown.size(); ++row) {
                QAccessibleInterface *cell = entries->child(row);
                QCOMPARE(cell->role(), QAccessible::ListItem);
                QCOMPARE(cell->text(QAccessible::Name), shown[row]);
            }
            verifyNoFillerOrIndex(list, where);
            if (shown.isEmpty())
                continue; // an empty list does not open

            // The same with the list open and its current entry moved, and after a pick.
            QAccessibleActionInterface *actions = list->actionInterface();
            QVERIFY(actions);
            actions->doAction(QAccessibleActionInterface::showMenuAction());
            QTRY_VERIFY(comboOf(box)->view()->isVisible());
            QVERIFY(list->state().expanded);
            QTest::keyClick(comboOf(box)->view(), Qt::Key_Down);
            verifyNoFillerOrIndex(list, where + " (open)");
            QTest::keyClick(comboOf(box)->view(), Qt::Key_Return);
            QTRY_VERIFY(!comboOf(box)->view()->isVisible());
            verifyNoFillerOrIndex(list, where + " (picked)");
        }
    }

    void openingListThroughAccessibilityEmptiesBoxes()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(8);
        QVERIFY(showActive(f));
        pick(f.cboSearch[0], 0);
        QVERIFY(!records::rtrim(f.txtProd.Text).isEmpty());
        QAccessibleInterface *list = accessibleOf(f.cboSearch[0]);
        QCOMPARE(list->actionInterface()->actionNames().first(),
                 QAccessibleActionInterface::showMenuAction());
        list->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QTRY_VERIFY(comboOf(f.cboSearch[0])->view()->isVisible());
        QCOMPARE(f.txtProd.Text.value(), QString());
        QCOMPARE(f.txtTev.Text.value(), QString());
        QCOMPARE(f.txtGroup.Text.value(), QString());
        // Pressed again, the list closes.
        list->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!comboOf(f.cboSearch[0])->view()->isVisible());
        QVERIFY(!list->state().expanded);
    }

    void mainMenuButtonIsNamedByItsCaption()
    {
        ProgramScope scope;
        SearchForm &f = openSearchFor(2);
        QAccessibleInterface *button = accessibleOf(f.cmdMM);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), QString("Main Menu"));
        QCOMPARE(button->text(QAccessible::Accelerator),
                 QKeySequence(Qt::ALT | Qt::Key_M).toString(QKeySequence::NativeText));
    }

    void mainMenuIsActiveAgainAfterSearchCloses()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        SearchForm &f = openSearchFor(6);
        // Active as Qt sees it, not only as the window system does: keys go where Qt sends them.
        QVERIFY(QTest::qWaitForWindowActive(f.widget()));
        QTest::keyClick(f.widget(), Qt::Key_M, Qt::AltModifier);
        QTRY_VERIFY(!frmSearch.loadedOrNull());
        QTRY_VERIFY(frmMain->widget()->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), frmMain->cmdType[0].widget());
    }

    // ---- access keys ----

    void accessKeysAreAlwaysUnderlined()
    {
        ProgramScope scope;
        frmMain->Show();
        SearchForm &f = openSearchFor(6);
        for (QWidget *w :
             {frmMain->cmdType[6].widget(), frmMain->cmdExit.widget(), f.cmdMM.widget()})
            QCOMPARE(w->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, w), 1);
        QCOMPARE(QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut), 1);
    }
};

MXR_TEST_MAIN(Accessibility)
#include "tst_screen_reader.moc"
