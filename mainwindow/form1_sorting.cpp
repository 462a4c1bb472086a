#include "form1.h"

// Sort order, medium and genre selection of the releases, and the musician selection.

void TForm1::a1Click() {}

void TForm1::a2Click() {}

void TForm1::a3Click() {}

void TForm1::a4Click() {}

void TForm1::b1Click() {}

void TForm1::b2Click() {}

void TForm1::b3Click() {}

void TForm1::b4Click() {}

void TForm1::b5Click() {}

void TForm1::b6Click() {}

void TForm1::b7Click() {}

void TForm1::DBLookupComboBox2Click() {}

void TForm1::SpeedButton11Click() {}

void TForm1::c1Click() {}

void TForm1::c2Click() {}

void TForm1::c3Click() {}
