// setup's numbered alerts (texts in alert_text.h).
#ifndef TARNWICK_ALERT_H
#define TARNWICK_ALERT_H

#include "alert_text.h"

// Shows the alert of code. Every code but kAlertConfirmCancel is fatal, and
// so is a Yes to the cancel confirmation: the program is then ended through
// gState.cancelled and the quit message. Always returns to the caller, which
// stops its own work.
void ShowAlert(int code);

#endif
