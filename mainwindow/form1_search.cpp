#include "form1.h"

// The artist search box under the toolbar and the track search box on the tracks page.

void TForm1::FindEnter() {}

void TForm1::FindChange() {}

void TForm1::SpeedButton1Click() {}

void TForm1::Edit2Enter() {}

void TForm1::Edit2Change() {}

void TForm1::SpeedButton2Click() {}
