// marovel_desktop_parse FILE: exit 0 when GIO reads FILE as an application entry.
#include <gio/gdesktopappinfo.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    GDesktopAppInfo *info = g_desktop_app_info_new_from_filename(argv[1]);
    if (!info) {
        std::fprintf(stderr, "GIO cannot read %s\n", argv[1]);
        return 1;
    }
    g_object_unref(info);
    return 0;
}
