#pragma once
// The browser's string table: the information bar's link texts and codes, and the addresses
// of the product's web pages the browser opens.
#include <QString>

// Entries 0..2 are the texts of the information bar's three links, entries 3..5 their codes.
// An entry outside the table is empty.
QString LoadBrowserString(int id);
inline constexpr int BrowserStringCount = 6;

// The home page: the product's web site. PEMBLO_HOME_PAGE, when set, takes its place, so that
// a machine without the site (a test, a demonstration) can start on a page of its own.
QString HomePageAddress();
// The question-and-answer page ("SVAW") and the community page ("SVAS") of the product's site.
QString AskPageAddress();
QString CommunityPageAddress();
