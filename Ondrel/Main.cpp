#include "MarovelDelegate.h"
#include "OndrelApp.h"
#include "kit/Icons.h"

int main(int argc, char **argv)
{
    Kit::prepareIconTheme(); // before the application object exists
    MarovelDelegate delegate;
    return OndrelApp::main(argc, argv, delegate);
}
