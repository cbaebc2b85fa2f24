#pragma once

#include <QString>
#include <QStringList>

namespace korvath {

// One recorded ad, as the job appends it (quotes already replaced where they must be).
struct ResultRow {
  QString keyword;
  QString region;
  QString pos;
  QString title;
  QString text;
  QString domain;
  QString cardRegion;
  QString cardEmail;
  QString cardAddress;
  QString cardCompany;
  QString cardPhone1;
};

// The result table of one job: eleven parallel lists, entry i of each belonging to the i-th ad.
// Only Append adds entries, so the lists always have the same length.
struct ResultTable {
  QStringList Data_Keyword;
  QStringList Data_Region;
  QStringList Data_Pos;
  QStringList Data_Title;
  QStringList Data_Text;
  QStringList Data_Domain;
  QStringList Data_CardRegion;
  QStringList Data_CardEmail;
  QStringList Data_CardAddress;
  QStringList Data_CardCompany;
  QStringList Data_CardPhone1;

  void Append(const ResultRow& row);
  qsizetype RowCount() const { return Data_Keyword.size(); }
};

}  // namespace korvath
