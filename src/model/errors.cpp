#include "model/errors.h"

#include <utility>

namespace brivane {

Error::Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

ConversionError::ConversionError(const QString& text)
    : Error(QStringLiteral("'%1' is not a valid integer value").arg(text)), text_(text) {}

IoError::IoError(int code, QString message) : Error(std::move(message)), code_(code) {}

} // namespace brivane
