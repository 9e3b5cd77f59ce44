#pragma once
#include "ui/windowhost.h"

class QtWindowHost : public WindowHost {
public:
    int showModal(QDialog& window) override;
};
