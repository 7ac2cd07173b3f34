#include "tunnel/servicecontroller.h"

ServiceController::~ServiceController() = default;
