# sorvane inspect and shade through the mental ray host.
sorvane_cli_case(mentalray-registration)
sorvane_cli_case(mentalray-shade)
# Seeded samples of every kind, with many lights and area-light samples: the
# values must not move when the evaluation is reorganised for speed.
sorvane_cli_case(mentalray-shade-seeded)
# The same on the scalar path: the batches' vector calls give these values too.
sorvane_cli_case(mentalray-shade-seeded AS mentalray-shade-seeded-scalar ENVIRONMENT SORVANE_SCALAR_MATH=1)
sorvane_cli_case(mentalray-shade-rejected-lines)
sorvane_cli_case(mentalray-missing-library)
sorvane_cli_case(mentalray-declaration-without-shader)
# Declarations that disagree with the library, through shade, render and inspect.
add_test(NAME cli.mentalray-declaration-mismatch
  COMMAND ${CMAKE_COMMAND} -DCOMMAND=$<TARGET_FILE:sorvane> -DBUILD_DIR=${PROJECT_BINARY_DIR}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/mentalray-declaration-mismatch
          -P ${CMAKE_CURRENT_SOURCE_DIR}/declarationMismatch.cmake)
set_tests_properties(cli.mentalray-declaration-mismatch PROPERTIES LABELS cli)
