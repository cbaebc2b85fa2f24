#pragma once

#include <QString>

namespace korvath {

// A results page shaped like the engine's: a large head of styles and scripts, `adCount` ads of
// about 25 KB each with nested markup, inline icons and data attributes, a counter and a pager.
// About 2 MB for 50 ads; the head grows with the ad count so that the page scales as a whole.
QString SampleResultsPage(int adCount);

// About `size` code units of ad markup with references, line breaks and many tags.
QString SampleFragment(qsizetype size);

}  // namespace korvath
