#include "attach/AttachRun.h"

#include "attach/AttachServices.h"
#include "attach/AttachTexts.h"
#include "toolkit/Toolkit.h"

#include <exception>

namespace attach {

bool runAttachStatement(const QString& statement) {
    try {
        services().execute(statement);
        tarnwick::toolkit().messageBox(texts::attachSucceeded(), tarnwick::vbInformation,
                                       texts::messageTitle());
        return true;
    } catch (const std::exception& error) {
        tarnwick::toolkit().messageBox(errorDescription(error), tarnwick::vbCritical,
                                       texts::messageTitle());
        return false;
    }
}

}  // namespace attach
