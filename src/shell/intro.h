// The intro picture that fades in and out before every title screen.
#pragma once

void intros();
