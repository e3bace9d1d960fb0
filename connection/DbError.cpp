#include "connection/DbError.h"

namespace tarnwick {

DbError::DbError(const QString& description, int nativeError, QString sqlState)
    : std::runtime_error(description.toStdString()),
      m_description(description),
      m_nativeError(nativeError),
      m_sqlState(std::move(sqlState)) {}

}  // namespace tarnwick
