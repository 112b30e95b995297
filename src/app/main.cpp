#include "contact_app.h"

int main(int argc, char** argv)
{
    qor::ContactApp app;
    return app.run(argc, argv);
}
