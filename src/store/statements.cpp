#include "store/statements.h"

namespace store::sql {

namespace {

// A name put between single quotes: a quote inside it is doubled so that it
// stays part of the name.
QString quotedName(const QString &name)
{
    QString doubled = name;
    doubled.replace(u'\'', QStringLiteral("''"));
    return doubled;
}

} // namespace

QString dateText(const QDate &date)
{
    return date.toString(u"yyyy/MM/dd");
}

QString selectJournalOfDate(const QDate &date)
{
    return QStringLiteral("select * from 業務日誌 where 日付 =#") + dateText(date) + QStringLiteral("#");
}

QString deleteJournalOfDate(const QDate &date)
{
    return QStringLiteral("delete * from 業務日誌 where 日付 =#") + dateText(date) + QStringLiteral("#");
}

QString selectJournalOfPeriod(const QString &firstDateText, const QString &lastDateText)
{
    return QStringLiteral("select * from 業務日誌 where 日付 >= #") + firstDateText + QStringLiteral("#") +
           QStringLiteral(" and  日付 <= #") + lastDateText + QStringLiteral("# order by 日付;");
}

QString selectWorkTableSums()
{
    return QStringLiteral("select sum([売上額]) as t売上計,sum([仕入額]) as t仕入計,") +
           QStringLiteral(" sum([入金額]) as t入金計,sum([出金額]) as t出金計 from w集計 ");
}

QString deleteHint(const QString &formName, const QString &ctlName)
{
    return QStringLiteral("delete * from ClHint where FormName = '") + quotedName(formName) + QStringLiteral("'") +
           QStringLiteral(" and CtlName = '") + quotedName(ctlName) + QStringLiteral("'");
}

QString selectHint(const QString &formName, const QString &ctlName)
{
    return QStringLiteral("select * from ClHint where FormName = '") + quotedName(formName) + QStringLiteral("'") +
           QStringLiteral(" and CtlName = '") + quotedName(ctlName) + QStringLiteral("'");
}

} // namespace store::sql
