#include "platform/servicecontroller.h"

ServiceController::~ServiceController() = default;
