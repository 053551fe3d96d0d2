window.fromWebviewJs = 42;
