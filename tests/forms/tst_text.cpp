// The text routines and integer operations the windows rely on, and their errors.
#include "Common.h"
#include "forms/Text.h"

#include <QTest>

using namespace forms;

class TextRoutines : public QObject
{
    Q_OBJECT

private slots:
    void midFromPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Long>("start");
        QTest::addColumn<QString>("expected");
        QTest::newRow("from third") << "ABCDEF" << 3 << "CDEF";
        QTest::newRow("from first is whole text") << "ABCDEF" << 1 << "ABCDEF";
        QTest::newRow("last character") << "ABCDEF" << 6 << "F";
        QTest::newRow("just past the end") << "AB" << 3 << "";
        QTest::newRow("far past the end") << "AB" << 5 << "";
        QTest::newRow("empty text") << "" << 1 << "";
        QTest::newRow("record index from 81")
                << QString("NAME" + QString(76, ' ') + "395") << 81 << "395";
    }
    void midFromPosition()
    {
        QFETCH(QString, text);
        QFETCH(Long, start);
        QFETCH(QString, expected);
        QCOMPARE(Mid(text, start), expected);
        QCOMPARE(MidView(text, start).toString(), expected);
    }

    void midRejectsBadArguments()
    {
        QCOMPARE(errorOf([] { Mid("ABC", 0); }), int(ErrInvalidCall));
        QCOMPARE(errorOf([] { Mid("ABC", -3); }), int(ErrInvalidCall));
        QCOMPARE(errorOf([] { MidView("ABC", 0); }), int(ErrInvalidCall));
    }

    void spaceMakesBlanks()
    {
        QCOMPARE(Space(0), QString());
        QCOMPARE(Space(3), QString("   "));
        QCOMPARE(Space(60).size(), 60);
        QCOMPARE(errorOf([] { Space(-1); }), int(ErrInvalidCall));
    }

    void fixedWidthCutsOrPads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("longer is cut") << "ABCDEF"
                                       << "ABCD";
        QTest::newRow("shorter is padded") << "AB"
                                           << "AB  ";
        QTest::newRow("exact width") << "ABCD"
                                     << "ABCD";
        QTest::newRow("empty is all spaces") << ""
                                             << "    ";
        QTest::newRow("leading space kept") << " AB"
                                            << " AB ";
    }
    void fixedWidthCutsOrPads()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        FixedString<4> field;
        field = text;
        QCOMPARE(field.value(), expected);
    }

    void fixedStringLeavesCopiesOfItsValueAlone()
    {
        FixedString<4> field;
        field = QString("ABCD");
        const QString copy = field.value(); // shares the field's text
        field = QString("XY");
        QCOMPARE(copy, QString("ABCD"));
        QCOMPARE(field.value(), QString("XY  "));
        const QString source = "0123456789";
        field = MidView(source, 8);
        QCOMPARE(field.value(), QString("789 "));
        QCOMPARE(source, QString("0123456789"));
        field = MidView(field.value(), 2); // from its own text
        QCOMPARE(field.value(), QString("89  "));
    }

    void fixedStringStartsBlank()
    {
        const FixedString<3> field;
        QCOMPARE(field.value(), QString("   "));
    }

    void numberToText_data()
    {
        QTest::addColumn<Long>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0 << "0";
        QTest::newRow("one digit") << 4 << "4";
        QTest::newRow("two digits") << 10 << "10";
        QTest::newRow("negative") << -42 << "-42";
        QTest::newRow("largest") << 2147483647 << "2147483647";
        QTest::newRow("smallest") << Long(-2147483647 - 1) << "-2147483648";
    }
    void numberToText()
    {
        QFETCH(Long, value);
        QFETCH(QString, expected);
        QCOMPARE(CStr(value), expected);
    }

    void textToNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Long>("expected");
        QTest::newRow("plain") << "17" << 17;
        QTest::newRow("blanks around") << "  17 " << 17;
        QTest::newRow("tab before") << "\t17" << 17;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("minus sign") << "-5" << -5;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << Long(-2147483647 - 1);
        QTest::newRow("index 32767") << "32767" << 32767;
    }
    void textToNumber()
    {
        QFETCH(QString, text);
        QFETCH(Long, expected);
        QCOMPARE(CLng(text), expected);
    }

    void textToNumberErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::newRow("empty") << "" << int(ErrTypeMismatch);
        QTest::newRow("blanks only") << "   " << int(ErrTypeMismatch);
        QTest::newRow("sign only") << "-" << int(ErrTypeMismatch);
        QTest::newRow("trailing letter") << "12a" << int(ErrTypeMismatch);
        QTest::newRow("inner blank") << "1 2" << int(ErrTypeMismatch);
        QTest::newRow("decimal point") << "1.5" << int(ErrTypeMismatch);
        QTest::newRow("hexadecimal") << "0x10" << int(ErrTypeMismatch);
        QTest::newRow("a name") << "DN 1125" << int(ErrTypeMismatch);
        QTest::newRow("one beyond largest") << "2147483648" << int(ErrOverflow);
        QTest::newRow("one beyond smallest") << "-2147483649" << int(ErrOverflow);
        QTest::newRow("twenty digits") << "99999999999999999999" << int(ErrOverflow);
    }
    void textToNumberErrors()
    {
        QFETCH(QString, text);
        QFETCH(int, error);
        QCOMPARE(errorOf([&] { CLng(text); }), error);
    }

    void narrowingTo16Bits_data()
    {
        QTest::addColumn<Long>("value");
        QTest::addColumn<int>("error");
        QTest::newRow("largest fits") << 32767 << 0;
        QTest::newRow("smallest fits") << -32768 << 0;
        QTest::newRow("zero fits") << 0 << 0;
        QTest::newRow("one beyond largest") << 32768 << int(ErrOverflow);
        QTest::newRow("one beyond smallest") << -32769 << int(ErrOverflow);
        QTest::newRow("far beyond") << 2147483647 << int(ErrOverflow);
    }
    void narrowingTo16Bits()
    {
        QFETCH(Long, value);
        QFETCH(int, error);
        Integer narrowed = 0;
        QCOMPARE(errorOf([&] { narrowed = CInt(value); }), error);
        if (error == 0)
            QCOMPARE(Long(narrowed), value);
    }

    void integerArithmeticOverflows()
    {
        QCOMPARE(CheckedAdd(Integer(32766), Integer(1)), Integer(32767));
        QCOMPARE(CheckedSub(Integer(0), Integer(1)), Integer(-1));
        QCOMPARE(errorOf([] { CheckedAdd(Integer(32767), Integer(1)); }), int(ErrOverflow));
        QCOMPARE(errorOf([] { CheckedSub(Integer(-32768), Integer(1)); }), int(ErrOverflow));
        QCOMPARE(errorOf([] { CheckedAdd(Long(2147483647), Long(1)); }), int(ErrOverflow));
    }

    void errorCarriesNumberAndMessage()
    {
        const Error overflow(ErrOverflow);
        QCOMPARE(overflow.Number(), 6);
        QCOMPARE(overflow.Description(), QString("Overflow"));
        QVERIFY(QByteArray(overflow.what()).contains("Overflow"));
        const Error own(1001, "Custom");
        QCOMPARE(own.Number(), 1001);
        QCOMPARE(own.Description(), QString("Custom"));
    }
};

QTEST_APPLESS_MAIN(TextRoutines)
#include "tst_text.moc"
