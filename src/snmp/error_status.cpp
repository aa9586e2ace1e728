#include "snmp/error_status.h"

const char* ErrorStatusName(int status) {
    static const char* const kNames[] = {"noError", "tooBig", "noSuchName", "badValue", "readOnly", "genErr",
                                         "noAccess", "wrongType", "wrongLength", "wrongEncoding", "wrongValue",
                                         "noCreation", "inconsistentValue", "resourceUnavailable", "commitFailed",
                                         "undoFailed", "authorizationError", "notWritable", "inconsistentName"};
    return status > 0 && status <= 18 ? kNames[status] : nullptr;
}
