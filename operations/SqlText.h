#pragma once
// Pieces of statement text shared by the routines and the attach windows.

#include <QString>

namespace tarnwick {

// The text as a Unicode literal: N'…' with every quote doubled.
QString unicodeLiteral(const QString& text);

}  // namespace tarnwick
