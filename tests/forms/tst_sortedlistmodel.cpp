// The order of the sorted lists, on their model alone: no window, no widget.
#include "Records.h"
#include "forms/SortedListModel_p.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <iterator>

using forms::detail::SortedListModel;
using records::entry;

namespace {

QStringList listed(SortedListModel &model)
{
    model.settle();
    QStringList texts;
    for (qsizetype row = 0; row < model.count(); ++row)
        texts << model.entry(row);
    return texts;
}

} // namespace

class SortedListModelOrder : public QObject
{
    Q_OBJECT

private slots:
    void sortedListOrdersWholeText_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case is ignored for letters")
                << QStringList{entry("beta", 1), entry("Alpha", 2), entry("ALPHA", 3)}
                << QStringList{entry("Alpha", 2), entry("ALPHA", 3), entry("beta", 1)};
        QTest::newRow("same text but case: upper case first")
                << QStringList{entry("alpha", 1), entry("ALPHA", 1)}
                << QStringList{entry("ALPHA", 1), entry("alpha", 1)};
        QTest::newRow("shared name ordered by index as text")
                << QStringList{entry("DN 1125", 99), entry("DN 1125", 100), entry("DN 1125", 9),
                               entry("DN 1125", 10)}
                << QStringList{entry("DN 1125", 10), entry("DN 1125", 100), entry("DN 1125", 9),
                               entry("DN 1125", 99)};
        QTest::newRow("shorter name before longer")
                << QStringList{entry("K-2530Z", 1), entry("K-2530", 2), entry("K-25", 3)}
                << QStringList{entry("K-25", 3), entry("K-2530", 2), entry("K-2530Z", 1)};
        QTest::newRow("space digits letters")
                << QStringList{entry("A1", 1), entry("AB", 2), entry("A B", 3), entry("A-", 4)}
                << QStringList{entry("A B", 3), entry("A-", 4), entry("A1", 1), entry("AB", 2)};
    }
    void sortedListOrdersWholeText()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        SortedListModel model;
        for (const QString &text : added)
            model.add(text);
        QCOMPARE(listed(model), expected);
    }

    void sortedListPlacesLaterEntries()
    {
        SortedListModel model;
        QStringList all;
        auto *random = QRandomGenerator::global();
        for (int i = 0; i < 500; ++i)
            all << entry(QString("N%1").arg(random->bounded(50)), i);
        for (int i = 0; i < 250; ++i)
            model.add(all[i]);
        QCOMPARE(model.rowCount(), 0); // views see nothing before the list settles
        model.settle();
        QCOMPARE(model.rowCount(), 250);
        for (int i = 250; i < 500; ++i)
            model.add(all[i]);
        std::sort(all.begin(), all.end(), SortedListModel::lessThan);
        QCOMPARE(listed(model), all);
        QCOMPARE(model.rowCount(), 500);
    }

    void sortedListOrdersAnyCharacters()
    {
        // Texts that share long beginnings, differ only in case or only beyond their first
        // characters, hold letters beyond Latin-1, NUL or U+00FF: the list's order is the
        // whole-text order of lessThan, whatever the list does to get there quickly.
        SortedListModel model;
        const QString alphabet = QStringLiteral("aAbB zZ09-\u00e9\u00c9\u00ff\u0100\u0101\u03a9"
                                                "\u03c9\u0130\u212a");
        const QString prefixes[] = {"", "Kopira 2530/S Pro ", "kopira 2530/s pro ",
                                    QString(20, QLatin1Char('x')), QString(QChar(0)) + "A"};
        auto *random = QRandomGenerator::global();
        QStringList all;
        for (int i = 0; i < 3000; ++i) {
            QString text = prefixes[random->bounded(int(std::size(prefixes)))];
            const int length = random->bounded(6);
            for (int c = 0; c < length; ++c)
                text += alphabet[random->bounded(int(alphabet.size()))];
            all << text;
        }
        for (const QString &text : all)
            model.add(text);
        std::sort(all.begin(), all.end(), SortedListModel::lessThan);
        QCOMPARE(listed(model), all);
    }
};

QTEST_GUILESS_MAIN(SortedListModelOrder)
#include "tst_sortedlistmodel.moc"
