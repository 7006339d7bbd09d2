# The Maya plug-in through the command. They load plug-ins/sorvane.so, which
# a devkit build does not build against our host.
if(SORVANE_MAYA_DEVKIT)
  return()
endif()
sorvane_cli_case(maya-registration)
sorvane_cli_case(maya-registration-missing-plugin)
sorvane_cli_case(maya-shade-examples)
# Seeded samples with up to 16 lights of every flag mix: the values of the
# scalar path must not move when the evaluation is reorganised for speed (the
# vector path is held to it within a few ulps by maya_evaluation_tests).
sorvane_cli_case(maya-shade-seeded)
sorvane_cli_case(maya-shade-bad-input)
