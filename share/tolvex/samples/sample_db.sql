-- Sample database of the Tolvex sample project (MariaDB 10.5 or later, MySQL 8).
-- Creates the database "tolvex_sample" with five tables and one view and fills them with
-- a few rows. The user "demo" (password "demo") may log in to the generated site:
--   mariadb < sample_db.sql
CREATE DATABASE IF NOT EXISTS `tolvex_sample` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
USE `tolvex_sample`;

DROP VIEW IF EXISTS `order_totals`;
DROP TABLE IF EXISTS `users`;
DROP TABLE IF EXISTS `order_items`;
DROP TABLE IF EXISTS `orders`;
DROP TABLE IF EXISTS `products`;
DROP TABLE IF EXISTS `customers`;

CREATE TABLE `customers` (
  `customer_id` INT NOT NULL AUTO_INCREMENT,
  `name` VARCHAR(100) NOT NULL,
  `email` VARCHAR(150) NULL,
  `city` VARCHAR(60) NULL,
  `created_at` DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (`customer_id`),
  UNIQUE KEY `uq_customers_email` (`email`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE `products` (
  `product_id` INT NOT NULL AUTO_INCREMENT,
  `name` VARCHAR(100) NOT NULL,
  `price` DECIMAL(10,2) NOT NULL,
  `in_stock` TINYINT NOT NULL DEFAULT 1,
  `description` TEXT NULL,
  PRIMARY KEY (`product_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE `orders` (
  `order_id` INT NOT NULL AUTO_INCREMENT,
  `customer_id` INT NOT NULL,
  `order_date` DATE NOT NULL,
  `status` ENUM('new','paid','shipped') NOT NULL DEFAULT 'new',
  `note` VARCHAR(255) NULL,
  PRIMARY KEY (`order_id`),
  KEY `ix_orders_customer` (`customer_id`),
  CONSTRAINT `fk_orders_customer` FOREIGN KEY (`customer_id`) REFERENCES `customers` (`customer_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE `order_items` (
  `order_id` INT NOT NULL,
  `product_id` INT NOT NULL,
  `quantity` INT NOT NULL DEFAULT 1,
  `unit_price` DECIMAL(10,2) NOT NULL,
  PRIMARY KEY (`order_id`, `product_id`),
  KEY `ix_order_items_product` (`product_id`),
  CONSTRAINT `fk_order_items_order` FOREIGN KEY (`order_id`) REFERENCES `orders` (`order_id`) ON DELETE CASCADE,
  CONSTRAINT `fk_order_items_product` FOREIGN KEY (`product_id`) REFERENCES `products` (`product_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- The people who may log in to the site; passwords are stored as PHP password_hash() values.
CREATE TABLE `users` (
  `user_id` INT NOT NULL AUTO_INCREMENT,
  `username` VARCHAR(50) NOT NULL,
  `password_hash` VARCHAR(255) NOT NULL,
  PRIMARY KEY (`user_id`),
  UNIQUE KEY `uq_users_username` (`username`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE VIEW `order_totals` AS
  SELECT o.`order_id` AS `order_id`,
         c.`name` AS `customer`,
         o.`order_date` AS `order_date`,
         o.`status` AS `status`,
         SUM(i.`quantity` * i.`unit_price`) AS `total`
  FROM `orders` o
  JOIN `customers` c ON c.`customer_id` = o.`customer_id`
  LEFT JOIN `order_items` i ON i.`order_id` = o.`order_id`
  GROUP BY o.`order_id`, c.`name`, o.`order_date`, o.`status`;

INSERT INTO `customers` (`customer_id`, `name`, `email`, `city`, `created_at`) VALUES
  (1, 'Ada Lindqvist', 'ada@example.com', 'Uppsala', '2026-01-05 09:30:00'),
  (2, 'Bruno Okafor', 'bruno@example.com', 'Lagos', '2026-02-11 14:05:00'),
  (3, 'Chen Wei', NULL, 'Chengdu', '2026-03-20 08:15:00'),
  (4, 'Dolores O''Neill', 'dolores@example.com', 'Cork', '2026-04-02 17:45:00');

INSERT INTO `products` (`product_id`, `name`, `price`, `in_stock`, `description`) VALUES
  (1, 'Notebook A5', 3.50, 1, 'Ruled, 96 pages.'),
  (2, 'Fountain pen', 24.90, 1, 'Steel nib, blue ink cartridge included.'),
  (3, 'Desk lamp', 39.00, 0, NULL),
  (4, 'Paper clips (100)', 1.20, 1, '<small> & "handy" - a name to test escaping');

INSERT INTO `orders` (`order_id`, `customer_id`, `order_date`, `status`, `note`) VALUES
  (1, 1, '2026-05-02', 'shipped', NULL),
  (2, 2, '2026-05-17', 'paid', 'Gift wrap'),
  (3, 1, '2026-06-01', 'new', NULL),
  (4, 4, '2026-06-03', 'new', 'Call before delivery'),
  (5, 3, '2026-06-20', 'paid', NULL),
  (6, 2, '2026-07-04', 'shipped', NULL),
  (7, 1, '2026-07-15', 'paid', 'Invoice by email');

INSERT INTO `order_items` (`order_id`, `product_id`, `quantity`, `unit_price`) VALUES
  (1, 1, 3, 3.50),
  (1, 2, 1, 24.90),
  (2, 3, 1, 39.00),
  (3, 4, 2, 1.20),
  (3, 1, 1, 3.50),
  (4, 2, 2, 24.90),
  (5, 3, 1, 39.00),
  (5, 4, 5, 1.20),
  (6, 1, 10, 3.50),
  (7, 2, 1, 24.90),
  (7, 3, 2, 39.00);

INSERT INTO `users` (`user_id`, `username`, `password_hash`) VALUES
  (1, 'demo', '$2y$10$hU5oE4Pt/ZGPhsL1v1w9MO2I6phX7AYSQxz30jNC16XpKZvqwVbf6');
