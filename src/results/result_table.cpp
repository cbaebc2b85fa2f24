#include "results/result_table.h"

namespace korvath {

void ResultTable::Append(const ResultRow& row) {
  Data_Keyword.append(row.keyword);
  Data_Region.append(row.region);
  Data_Pos.append(row.pos);
  Data_Title.append(row.title);
  Data_Text.append(row.text);
  Data_Domain.append(row.domain);
  Data_CardRegion.append(row.cardRegion);
  Data_CardEmail.append(row.cardEmail);
  Data_CardAddress.append(row.cardAddress);
  Data_CardCompany.append(row.cardCompany);
  Data_CardPhone1.append(row.cardPhone1);
}

}  // namespace korvath
