#include "ui/widgets/application.h"

int Scale(int designed) {
  if (!Application.Scaled) return designed;
  const long long product = static_cast<long long>(designed) * 96;
  const long long half = DesignedPixelsPerInch / 2;
  return static_cast<int>(product >= 0 ? (product + half) / DesignedPixelsPerInch
                                       : (product - half) / DesignedPixelsPerInch);
}
