#include "form1.h"

// The three print commands of the menu and the toolbar's print drop-down.

void TForm1::Alleregistreringer1Click() {}

void TForm1::Selekterederegistreringer1Click() {}

void TForm1::UdvalgtepMusikerefanebladet1Click() {}
