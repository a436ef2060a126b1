#include "launcher/norvel_flinga_app.h"

int main(int argc, char** argv) {
    launcher::CNorvelFlingaApp app;
    return app.Run(argc, argv);
}
