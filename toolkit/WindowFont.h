#pragma once
// The windows' Song/Ming face: "宋体" with "SimSun" and AR PL UMing as fall-backs.

#include <QFont>

namespace tarnwick {

QFont windowFont(double pointSize = 10.5);

}  // namespace tarnwick
