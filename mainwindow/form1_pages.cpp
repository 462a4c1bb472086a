#include "form1.h"

// Page change and the commands that only move between pages or open side windows.

void TForm1::PageControl1Change() {}

void TForm1::SpeedButton12Click() {}

void TForm1::DBGrid1DblClick() {}

void TForm1::Information1Click() {}

void TForm1::Hjlp1Click() {}
