#include "keyboarddevice.h"

KeyboardDevice::~KeyboardDevice() = default;
