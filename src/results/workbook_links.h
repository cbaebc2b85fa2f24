#pragma once

#include <QString>
#include <QStringView>

namespace korvath {

// Where a cell's site or e-mail leads, or empty when the text is not one site or one e-mail
// address, or is too long for a link formula: such a cell stays plain text.
QString SiteLinkTarget(QStringView site);
QString EmailLinkTarget(QStringView email);

// =HYPERLINK("target","text"). Link formulas have no limit on their number in a sheet, which a
// sheet's own hyperlinks have (65,530).
QString HyperlinkFormula(QStringView target, QStringView text);

}  // namespace korvath
