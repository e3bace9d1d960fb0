#pragma once
// Texts both attach windows show.

#include <QString>

namespace attach::texts {

inline QString caption() {
    return QStringLiteral("附加数据库");
}
inline QString dataFileLabel() {
    return QStringLiteral("要附加数据库的MDF文件：");
}
inline QString waitLabel() {
    return QStringLiteral("正在附加数据库。。。。。。。。");
}
inline QString dialogTitle() {
    return QStringLiteral("请选择要附加的文件");
}
inline QString dataFileFilter() {
    return QStringLiteral("MDF (*.MDF)|*.MDF");
}
// The log filter's description says "MDF" too.
inline QString logFileFilter() {
    return QStringLiteral("MDF (*.LDF)|*.LDF");
}
inline QString messageTitle() {
    return QStringLiteral("提示");
}
inline QString attachSucceeded() {
    return QStringLiteral("附加成功！");
}
inline QString okButton() {
    return QStringLiteral("确定");
}
inline QString cancelButton() {
    return QStringLiteral("取消");
}

}  // namespace attach::texts
