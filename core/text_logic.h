#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>

// Containment test of the search: both texts upper-cased unit by unit
// (simple mapping, no accent folding); an empty query or line gives false.
bool LineMatchesQuery(QStringView line, QStringView query);

// A result row: the line with every tab replaced by ";".
QString ResultRowText(QStringView line);

// The text that marks a product as no longer marketed.
inline constexpr char16_t kNotMarketedMark[] = u"Non commercialisée";

// True when the text holds kNotMarketedMark (exact, case-sensitive).
bool HoldsNotMarketed(QStringView text);

// Splits a result row at ";" with double-quote quoting, no trimming.
QStringList SplitResultRow(QStringView row);
