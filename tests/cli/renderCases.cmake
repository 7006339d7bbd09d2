# sorvane render: options, errors, and one small render through a host.
sorvane_cli_case(render-list-presets)
sorvane_cli_case(render-swatch)
sorvane_cli_case(render-unknown-attribute)
sorvane_cli_case(render-wrong-value-count)
sorvane_cli_case(render-unknown-preset)
sorvane_cli_case(render-bad-size)
sorvane_cli_case(render-bad-output-type)
