// The built-in model table as the program holds it after start-up: read back through lstMain
// and checked against every figure the table must meet.
#include "TestSupport.h"

#include "ModelTableData.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <map>

using namespace forms;

namespace {

struct Field
{
    const char *name;
    int column;    // 1-based
    int width;
};

const Field fields[] = {
    {"product code", 1, 10}, {"Tevra", 11, 20},     {"Dunel", 31, 20}, {"Brevikant", 51, 20},
    {"Ostrum", 71, 20},      {"development name", 91, 30}, {"type code", 121, 3},
};

QString fieldOf(const QString &row, int field)
{
    return rtrim(row.mid(fields[field].column - 1, fields[field].width));
}

QStringList loadedTable()
{
    QStringList rows;
    ListBox &lstMain = frmMain->lstMain;
    for (Integer i = 0; i < lstMain.ListCount(); ++i)
        rows << lstMain.List(i);
    return rows;
}

const QStringList typeCodes = {"ANL", "DIG", "CLR", "FAX", "PRT", "STM", "SCN", "WID"};

} // namespace

class ModelTableFigures : public QObject
{
    Q_OBJECT

    QStringList rows;
    ProgramScope *scope = nullptr;

private slots:
    void initTestCase()
    {
        scope = new ProgramScope;
        rows = loadedTable();
    }
    void cleanupTestCase() { delete scope; }

    void startUpLoads396RowsInTableOrder()
    {
        QCOMPARE(rows.size(), 396);
        for (int k = 0; k < rows.size(); ++k)
            QCOMPARE(rows[k], QString::fromUtf16(ModelTableRows[k]));
    }

    void everyRowIs123PrintableCharactersEndingInTypeCode()
    {
        for (const QString &row : rows) {
            QCOMPARE(row.size(), 123);
            for (QChar c : row)
                QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7f, qPrintable(row));
            QVERIFY2(typeCodes.contains(row.right(3)), qPrintable(row));
        }
    }

    void rowsAscendByCodeAndIgnoringCase()
    {
        for (int k = 1; k < rows.size(); ++k) {
            QVERIFY2(rows[k - 1] < rows[k], qPrintable(rows[k]));
            QVERIFY2(QString::compare(rows[k - 1], rows[k], Qt::CaseInsensitive) < 0,
                     qPrintable(rows[k]));
        }
    }

    void rowsPerTypeCode()
    {
        QHash<QString, int> count;
        for (const QString &row : rows)
            ++count[fieldOf(row, 6)];
        const QHash<QString, int> expected = {{"ANL", 120}, {"DIG", 54}, {"CLR", 21}, {"FAX", 115},
                                              {"PRT", 36},  {"STM", 29}, {"SCN", 11}, {"WID", 10}};
        QCOMPARE(count, expected);
    }

    void productCodeShapes()
    {
        const std::pair<const char *, int> shapes[] = {
            {"^[A-Z][0-9]{3}$", 305}, {"^[A-Z][0-9]{4}$", 43}, {"^[0-9]{5}$", 27},
            {"^[0-9]{4}$", 18},       {"^[A-Z][0-9]{3}[A-Z]$", 1}, {"^[A-Z][0-9]{3} [A-Z]{2}$", 2},
        };
        int matched = 0;
        for (const auto &[pattern, expected] : shapes) {
            const QRegularExpression shape(pattern);
            int count = 0;
            for (const QString &row : rows)
                count += shape.match(fieldOf(row, 0)).hasMatch();
            QVERIFY2(count == expected, pattern);
            matched += count;
        }
        QCOMPARE(matched, 396);
        for (int k = 0; k < 45; ++k)
            QVERIFY(fieldOf(rows[k], 0).at(0).isDigit());
    }

    void productCodesRepeatTwiceInTwoRowPairs()
    {
        std::map<QString, QList<int>> byCode;
        for (int k = 0; k < rows.size(); ++k)
            byCode[fieldOf(rows[k], 0)] << k;
        QCOMPARE(byCode.size(), size_t(394));
        int repeated = 0;
        for (const auto &[code, at] : byCode) {
            QVERIFY(at.size() <= 2);
            if (at.size() == 2) {
                ++repeated;
                QCOMPARE(fieldOf(rows[at[0]], 6), fieldOf(rows[at[1]], 6));
                QVERIFY(rows[at[0]].mid(10, 80) != rows[at[1]].mid(10, 80));
            }
        }
        QCOMPARE(repeated, 2);
    }

    void longestTextPerField()
    {
        const int longest[] = {7, 18, 13, 19, 14, 24};
        for (int f = 0; f < 6; ++f) {
            int most = 0;
            for (const QString &row : rows)
                most = std::max(most, int(fieldOf(row, f).size()));
            QVERIFY2(most == longest[f], fields[f].name);
        }
    }

    void allowedCharactersAndSingleInnerSpaces()
    {
        const QRegularExpression modelName("^[A-Za-z0-9+/-]+( [A-Za-z0-9+/-]+)*$");
        const QRegularExpression devName("^[A-Za-z0-9+/().-]+( [A-Za-z0-9+/().-]+)*$");
        const QRegularExpression productCode("^[A-Z0-9]+( [A-Z0-9]+)?$");
        for (const QString &row : rows) {
            QVERIFY2(productCode.match(fieldOf(row, 0)).hasMatch(), qPrintable(row));
            for (int f = 1; f <= 4; ++f) {
                const QString name = fieldOf(row, f);
                QVERIFY2(name.isEmpty() || modelName.match(name).hasMatch(), qPrintable(row));
            }
            const QString dev = fieldOf(row, 5);
            QVERIFY2(dev.isEmpty() || devName.match(dev).hasMatch(), qPrintable(row));
        }
    }

    void repeatedNamesWithinTypeCode_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("groupCount");
        QTest::newRow("Tevra") << 1 << 18 << 9;
        QTest::newRow("Dunel") << 2 << 25 << 12;
        QTest::newRow("Brevikant") << 3 << 8 << 4;
        QTest::newRow("Ostrum") << 4 << 4 << 2;
        QTest::newRow("development name") << 5 << 84 << 35;
    }
    void repeatedNamesWithinTypeCode()
    {
        QFETCH(int, field);
        QFETCH(int, rowCount);
        QFETCH(int, groupCount);
        std::map<std::pair<QString, QString>, int> uses;
        for (const QString &row : rows) {
            const QString name = fieldOf(row, field);
            if (!name.isEmpty())
                ++uses[{fieldOf(row, 6), name}];
        }
        int repeatedRows = 0;
        int groups = 0;
        for (const auto &[key, n] : uses) {
            if (n > 1) {
                repeatedRows += n;
                ++groups;
            }
        }
        QCOMPARE(repeatedRows, rowCount);
        QCOMPARE(groups, groupCount);
    }

    void blankFieldsPerTypeCode_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QList<int>>("blanks");    // Tevra, Dunel, Brevikant, Ostrum, dev name
        QTest::newRow("ANL") << "ANL" << QList<int>{0, 50, 52, 120, 3};
        QTest::newRow("DIG") << "DIG" << QList<int>{3, 7, 7, 14, 0};
        QTest::newRow("CLR") << "CLR" << QList<int>{0, 4, 1, 5, 0};
        QTest::newRow("FAX") << "FAX" << QList<int>{0, 43, 90, 101, 48};
        QTest::newRow("PRT") << "PRT" << QList<int>{0, 8, 3, 20, 6};
        QTest::newRow("STM") << "STM" << QList<int>{0, 13, 2, 23, 0};
        QTest::newRow("SCN") << "SCN" << QList<int>{0, 11, 11, 6, 9};
        QTest::newRow("WID") << "WID" << QList<int>{0, 6, 7, 6, 2};
        QTest::newRow("all") << "" << QList<int>{3, 142, 173, 295, 68};
    }
    void blankFieldsPerTypeCode()
    {
        QFETCH(QString, type);
        QFETCH(QList<int>, blanks);
        QList<int> counted(5, 0);
        for (const QString &row : rows) {
            if (!type.isEmpty() && fieldOf(row, 6) != type)
                continue;
            QVERIFY(!fieldOf(row, 0).isEmpty());
            for (int f = 1; f <= 5; ++f)
                counted[f - 1] += fieldOf(row, f).isEmpty();
        }
        QCOMPARE(counted, blanks);
    }

    void threeRowsWithoutModelNames()
    {
        int found = 0;
        for (const QString &row : rows) {
            if (rtrim(row.mid(10, 80)).isEmpty()) {
                ++found;
                QCOMPARE(fieldOf(row, 6), QString("DIG"));
                QVERIFY(!fieldOf(row, 0).isEmpty());
                QVERIFY(!fieldOf(row, 5).isEmpty());
            }
        }
        QCOMPARE(found, 3);
    }

    void textsStartInFirstColumn()
    {
        for (const QString &row : rows) {
            for (const Field &f : fields)
                QVERIFY2(row.at(f.column - 1) != QLatin1Char(' ') ||
                             rtrim(row.mid(f.column - 1, f.width)).isEmpty(),
                         qPrintable(row));
        }
    }

    // LoadModelTable appends; it neither clears nor checks. A failing append stops it there.
    void loadingAgainAppendsSecondCopy()
    {
        LoadModelTable();
        QCOMPARE(frmMain->lstMain.ListCount(), Integer(792));
        QCOMPARE(frmMain->lstMain.List(396), rows[0]);
        fillTable(rows);
    }

    void failingAppendStopsLoadingAndKeepsRowsBefore()
    {
        fillTable({});
        for (int i = 0; i < 32767 - 10; ++i)
            frmMain->lstMain.AddItem("filler");
        int error = 0;
        try {
            LoadModelTable();
        } catch (const Error &e) {
            error = e.Number();
        }
        QCOMPARE(error, int(ErrListFull));
        QCOMPARE(frmMain->lstMain.ListCount(), Integer(32767));
        QCOMPARE(frmMain->lstMain.List(32757), rows[0]);
        QCOMPARE(frmMain->lstMain.List(32766), rows[9]);
        fillTable(rows);
    }
};

QTEST_MAIN(ModelTableFigures)
#include "tst_modeltable.moc"
