#include "form1.h"

// Text and background colours of the data controls, chosen by the user.

void TForm1::Tekst1Click() {}

void TForm1::Felter1Click() {}
