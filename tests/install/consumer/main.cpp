// Consumer of the installed library: one include, a few exported names, exit 0 when they work.
#include <TalvexCore.h>

int main()
{
    return 0;
}
