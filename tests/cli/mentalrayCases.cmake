# sorvane inspect and shade through the mental ray host.
sorvane_cli_case(mentalray-registration)
sorvane_cli_case(mentalray-shade)
sorvane_cli_case(mentalray-shade-rejected-lines)
sorvane_cli_case(mentalray-missing-library)
sorvane_cli_case(mentalray-declaration-without-shader)
